// The real start-up on settings files users broke by hand: truncated, full of
// binary garbage, with duplicates, with values outside every range, in a
// read-only or missing directory, or removed and rewritten while the program
// runs. The program must start with the defaults or clamped values, say
// nothing the design does not say, and never leave a broken file behind.
#include <QFile>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "../support/SessionTestAccess.h"
#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "ScreenInvariants.h"
#include "app/TerminalApp.h"
#include "frame/CommandIds.h"
#include "settings/IniProfile.h"
#include "terminal/TelnetSession.h"
#include "view/TerminalView.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

// Seeded bytes of every value, line breaks included unless excluded.
std::string Garbage(std::size_t size, unsigned seed, bool withLineBreaks) {
  std::mt19937 rng(seed);
  std::string out;
  while (out.size() < size) {
    const char c = static_cast<char>(rng() & 0xFF);
    if (!withLineBreaks && (c == '\n' || c == '\r')) continue;
    out += c;
  }
  return out;
}

// Text as a Windows editor saves "Unicode": a byte order mark, then UTF-16LE.
std::string Utf16(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (const char c : ascii) out += {c, '\0'};
  return out;
}

// What a test reads off the running program, by name.
int Observed(CMainFrame& frame, const std::string& what) {
  const CTelnetSession& s = *frame.Session();
  if (what == "width") return s.Screen().Width();
  if (what == "height") return s.Screen().Height();
  if (what == "buffer") return static_cast<int>(s.Screen().BufferSize());
  if (what == "emulation") return s.Emulation();
  if (what == "foreground") return static_cast<int>(Peek(s).m_crForeground);
  if (what == "background") return static_cast<int>(Peek(s).m_crBackground);
  if (what == "font") return Peek(s).m_bHasFont ? 1 : 0;
  if (what == "charset") return s.Font().charSet;
  if (what == "facelength") return static_cast<int>(s.Font().faceName.size());
  if (what == "wsw") return s.WinSizeWarning() ? 1 : 0;
  if (what == "recent") return frame.RecentHosts().Count();
  if (what == "reachable") {  // title bar and menu bar on an available screen
    const QRect menu(frame.menuBar()->mapToGlobal(QPoint(0, 0)),
                     QSize(48, frame.menuBar()->height()));
    for (const QScreen* screen : QGuiApplication::screens())
      if (screen->availableGeometry().contains(
              QRect(frame.frameGeometry().topLeft(), QSize(48, 1))) &&
          screen->availableGeometry().contains(menu))
        return 1;
    return 0;
  }
  if (what == "drawn within the screen") {  // the window and the image drawn for it
    const QSize screen = frame.screen()->availableGeometry().size();
    const QSize image = frame.View()->Snapshot().size();
    return frame.frameGeometry().width() <= screen.width() &&
           frame.frameGeometry().height() <= screen.height() && image.width() <= screen.width() &&
           image.height() <= screen.height();
  }
  if (what == "cell shown") {  // at least one whole cell of the terminal is in view
    const QSize cell = frame.View()->CellSize();
    return frame.View()->width() >= cell.width() && frame.View()->height() >= cell.height() &&
           !cell.isEmpty();
  }
  QTest::qFail(("unknown observation " + what).c_str(), __FILE__, __LINE__);
  return INT_MIN;
}

// A value seen on the running program: exactly one number, or within a range.
struct Expect {
  Expect(std::string what, int value) : what(std::move(what)), low(value), high(value) {}
  Expect(std::string what, int low, int high) : what(std::move(what)), low(low), high(high) {}
  std::string what;
  int low, high;
};
struct Stored {
  std::string section, key, value;
};

struct StartCase {
  const char* name;
  std::string file;
  std::vector<Expect> expect{};
  std::vector<Stored> storedAfter{};    // what the start wrote back
  std::vector<std::string> messages{};  // what the design says at start; usually nothing
  std::string keptBytes{};              // bytes the rewritten file must still hold
  const char* knownFault = nullptr;     // set: the case shows an open fault and is skipped
};

constexpr int kDefaultForeground = 192 | 192 << 8 | 192 << 16;

std::vector<StartCase> StartCases() {
  const std::string garbageLine = Garbage(300, 7, false);
  const std::string nulLine = std::string("Key\0With\0NULs=1\0\0", 17);
  return {
      {"empty file",
       "",
       {{"width", 80},
        {"height", 24},
        {"buffer", 1000},
        {"emulation", 0},
        {"foreground", kDefaultForeground},
        {"background", 0},
        {"font", 1}},
       {{"Screen", "Width", "80"}, {"Screen", "BufferSize", "1000"}, {"Font", "Size", "110"}}},
      {"truncated in a key name",
       "[Options]\nEmulation=1\n[Screen]\nWidth=100\nHei",
       {{"emulation", 1}, {"width", 100}, {"height", 24}},
       {{"Screen", "Height", "24"}}},
      {"truncated in a section name",
       "[Screen]\nWidth=100\n[Opt",
       {{"width", 100}, {"emulation", 0}},
       {{"Screen", "Width", "100"}}},
      {"truncated after '='",
       "[Screen]\nHeight=30\nWidth=",
       {{"height", 30}, {"width", 80}},
       {{"Screen", "Width", "80"}}},
      {"no final line break",
       "[Screen]\r\nHeight=30",
       {{"height", 30}},
       {{"Screen", "Height", "30"}}},
      {"binary garbage between keys",
       "[Screen]\nWidth=100\n" + garbageLine + "\n" + nulLine + "\n[Options]\nEmulation=1\n",
       {{"width", 100}, {"emulation", 1}, {"height", 24}},
       {{"Screen", "Height", "24"}},
       {},
       garbageLine},
      {"a file of nothing but garbage", Garbage(8192, 11, true), {{"font", 1}}, {}},
      {"UTF-16 text", Utf16("[Screen]\r\nWidth=99\r\n"), {{"width", 80}}, {}},
      {"duplicate sections and keys",
       "[Screen]\nWidth=100\nWidth=50\n[Options]\nEmulation=1\n[Screen]\nWidth=60\nHeight=30\n"
       "[SCREEN]\nHeight=40\n",
       {{"width", 100}, {"height", 30}, {"emulation", 1}},
       {{"Screen", "Width", "100"}}},
      // Below one cell is raised to one; a window cannot be that small, so the
      // shown window may then give the screen the few cells its least size holds.
      {"width and height 0", "[Screen]\nWidth=0\nHeight=0\n", {{"width", 1, 8}, {"height", 1, 8}}},
      {"width and height -5",
       "[Screen]\nWidth=-5\nHeight=-5\n",
       {{"width", 1, 8}, {"height", 1, 8}}},
      {"width and height 100000",
       "[Screen]\nWidth=100000\nHeight=100000\n",
       {{"width", 255}, {"height", 255}, {"drawn within the screen", 1}},
       {{"Screen", "Width", "255"}, {"Screen", "Height", "255"}}},
      {"width beyond every integer",
       "[Screen]\nWidth=99999999999999999999\nHeight=-99999999999999999999\n",
       {{"width", 255}, {"height", 1, 8}},
       {{"Screen", "Width", "255"}}},
      {"width not a number",
       "[Screen]\nWidth=wide\nHeight=24 rows\n",
       {{"width", 1, 8}, {"height", 24}}},
      {"buffer size 0",
       "[Screen]\nBufferSize=0\n",
       {{"buffer", 1}},
       {{"Screen", "BufferSize", "1"}}},
      {"buffer size -1",
       "[Screen]\nBufferSize=-1\n",
       {{"buffer", 1}},
       {{"Screen", "BufferSize", "1"}}},
      {"buffer size 2^31-1",
       "[Screen]\nBufferSize=2147483647\n",
       {{"buffer", 65536}},
       {{"Screen", "BufferSize", "65536"}}},
      {"emulation 7", "[Options]\nEmulation=7\n", {{"emulation", 0}}, {}},
      {"emulation -1", "[Options]\nEmulation=-1\n", {{"emulation", 0}}, {}},
      // A size of 0 or below gives the default height without a word.
      {.name = "font size 0", .file = "[Font]\nSize=0\n", .expect = {{"font", 1}}},
      {.name = "font size -1", .file = "[Font]\nSize=-1\n", .expect = {{"font", 1}}},
      // Sizes are kept to 4..72 points, and so written back.
      {"huge font size",
       "[Font]\nSize=2147483647\n",
       {{"drawn within the screen", 1}, {"cell shown", 1}},
       {{"Font", "Size", "720"}}},
      {"font size 10000",
       "[Font]\nSize=10000\n",
       {{"drawn within the screen", 1}, {"cell shown", 1}},
       {{"Font", "Size", "720"}}},
      {"font size 1", "[Font]\nSize=1\n", {{"cell shown", 1}}, {{"Font", "Size", "40"}}},
      {"largest screen in a huge font",
       "[Screen]\nWidth=255\nHeight=255\n[Font]\nSize=1500\n",
       {{"width", 255}, {"height", 255}, {"drawn within the screen", 1}, {"cell shown", 1}},
       {{"Font", "Size", "720"}}},
      {"huge font name",
       "[Font]\nName=" + std::string(10000, 'F') + "\n",
       {{"font", 1}, {"facelength", 31}},
       {{"Font", "Name", std::string(31, 'F')}}},
      {"empty font name", "[Font]\nName=\n", {{"font", 0}}, {}, {"No font is selected"}},
      {"character set out of range",
       "[Font]\nCharSet=300\n",
       {{"charset", 44}},
       {{"Font", "CharSet", "44"}}},
      {"colours out of byte range",
       "[Color]\nForegroundR=256\nForegroundG=-1\nForegroundB=100000\nBackgroundR=-1\n"
       "BackgroundG=256\nBackgroundB=2147483647\n",
       {{"foreground", 0 | 255 << 8 | 160 << 16}, {"background", 255 | 0 << 8 | 255 << 16}},
       {{"Color", "ForegroundR", "0"},
        {"Color", "ForegroundG", "255"},
        {"Color", "ForegroundB", "160"}}},
      {"window position at the ends of int",
       "[Options]\nSaveWinPosition=1\n[Screen]\nWinPosX=2147483647\nWinPosY=-2147483648\n",
       {{"reachable", 1}},
       {}},
      {"window position off every screen",
       "[Options]\nSaveWinPosition=1\n[Screen]\nWinPosX=-5000\nWinPosY=99999\n",
       {{"reachable", 1}},
       {}},
      {"window position from a larger desk",
       "[Options]\nSaveWinPosition=1\n[Screen]\nWinPosX=5100\nWinPosY=1800\n",
       {{"reachable", 1}},
       {}},
      {"window position at the right edge (offscreen's screen is 800 wide)",
       "[Options]\nSaveWinPosition=1\n[Screen]\nWinPosX=790\nWinPosY=0\n",
       {{"reachable", 1}},
       {}},
      {"line-check capacity out of range", "[Special]\nDBSize=2147483647\nColor=-1\n", {}, {}},
      {"recent hosts out of range",
       "[Recent Host List]\nHost1=" + std::string(5000, 'h') +
           "\nPort1=-1\nHost2=b\nPort2=99999999999\n"
           "Desc2=" +
           std::string(5000, 'd') + "\nHost4=after a gap\n",
       {{"recent", 2}},
       {}},
      {"huge macro",
       "[Macro]\nF1=" + std::string(100000, 'm') + "\nF12=\\e[" + std::string(5000, '9') + "\n",
       {},
       {}},
  };
}

// Makes file access checked as an ordinary user while it lives: as root,
// the effective user becomes "nobody" (permission bits mean nothing to root).
class OrdinaryUser {
 public:
  explicit OrdinaryUser(bool wanted = true) {
#ifndef _WIN32
    root_ = wanted && geteuid() == 0;
    ok_ = !root_ || (setegid(65534) == 0 && seteuid(65534) == 0);
#endif
  }
  ~OrdinaryUser() {
#ifndef _WIN32
    if (root_) {
      (void)seteuid(0);
      (void)setegid(0);
    }
#endif
  }
  bool ok() const { return ok_; }

 private:
  bool root_ = false;
  bool ok_ = true;
};

}  // namespace

class SettingsRobustnessTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  fs::path profile_;
  ScriptedAnswers boxes_;

  FrameHooks Hooks() {
    FrameHooks hooks;
    hooks.messageBox = boxes_.Hook();
    hooks.quit = [] {};
    return hooks;
  }

  // The real start-up on the profile at `path`.
  std::unique_ptr<CTerminalApp> Start(const fs::path& path) {
    qputenv("CORVANE_PROFILE", QByteArray::fromStdString(path.string()));
    boxes_.messages.clear();
    auto app = std::make_unique<CTerminalApp>(CommandLine{}, Hooks());
    if (!app->InitInstance()) return nullptr;
    return app;
  }

  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const ScriptedAnswers::Shown& m : boxes_.messages) texts.push_back(m.text);
    return texts;
  }

  // Files beside the profile other than the profile itself (left-over temporaries).
  static std::vector<std::string> Others(const fs::path& file) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
      if (entry.path() != file) names.push_back(entry.path().filename().string());
    return names;
  }

 private slots:
  void initTestCase() {
    InstallQuietMessageHandler();
    QVERIFY(dir_.isValid());
    profile_ = fs::path(dir_.path().toStdString()) / "corvane.ini";
  }

  void startsOnDamagedAndOutOfRangeSettings_data() {
    QTest::addColumn<int>("index");
    const std::vector<StartCase> cases = StartCases();
    for (std::size_t i = 0; i < cases.size(); ++i)
      QTest::newRow(cases[i].name) << static_cast<int>(i);
  }

  void startsOnDamagedAndOutOfRangeSettings() {
    QFETCH(int, index);
    const StartCase c = StartCases()[static_cast<std::size_t>(index)];
    if (c.knownFault && !qEnvironmentVariableIsSet("CORVANE_RUN_DISABLED")) QSKIP(c.knownFault);
    {
      const QByteArray name = QByteArray("case \"") + c.name + "\"";
      fs::remove_all(profile_.parent_path());
      fs::create_directories(profile_.parent_path());
      WriteFile(profile_, c.file);
      std::unique_ptr<CTerminalApp> app = Start(profile_);
      QVERIFY2(app, name);
      CMainFrame& frame = *app->MainFrame();
      QVERIFY2(frame.isVisible(), name);
      QTest::qWait(20);  // let the shown window settle its size
      const std::string violation = FindInvariantViolation(*frame.Session());
      QVERIFY2(violation.empty(), name + ": " + violation.c_str());
      const int width = Observed(frame, "width");
      for (const Expect& e : c.expect) {
        const int seen = Observed(frame, e.what);
        QVERIFY2(seen >= e.low && seen <= e.high, name + ": " + QByteArray::fromStdString(e.what) +
                                                      " is " + QByteArray::number(seen) +
                                                      ", expected " + QByteArray::number(e.low) +
                                                      ".." + QByteArray::number(e.high));
      }
      QVERIFY2(MessageTexts() == c.messages,
               name + ": unexpected messages: " +
                   QByteArray::fromStdString(MessageTexts().empty() ? "" : MessageTexts().front()));
      app.reset();

      // The file the start rewrote is whole: it parses, holds what was written,
      // and keeps what the store does not understand.
      IniProfile reread(profile_);
      QVERIFY2(reread.GetInt("Screen", "Width", -1) == width, name + ": width not stored");
      for (const Stored& s : c.storedAfter)
        QVERIFY2(reread.GetString(s.section, s.key, "<absent>") == s.value,
                 name + ": " + QByteArray::fromStdString(s.section + "/" + s.key) + " reads " +
                     QByteArray::fromStdString(
                         reread.GetString(s.section, s.key, "<absent>").substr(0, 60)));
      if (!c.keptBytes.empty())
        QVERIFY2(ReadFile(profile_).find(c.keptBytes) != std::string::npos,
                 name + ": garbage lost");
      QVERIFY2(Others(profile_).empty(), name + ": temporary file left behind");
    }
  }

  // A profile that cannot be written: the start says nothing, the user's
  // first change that cannot be saved is told once, and the run goes on with
  // the settings in memory.
  void aProfileThatCannotBeSavedIsToldOnceAfterAChange() {
    const fs::path blocker = profile_.parent_path() / "plain-file";
    fs::remove_all(profile_.parent_path());
    fs::create_directories(profile_.parent_path());
    WriteFile(blocker, "not a folder");
    std::unique_ptr<CTerminalApp> app = Start(blocker / "corvane.ini");
    QVERIFY(app);
    CMainFrame& frame = *app->MainFrame();
    QTest::qWait(20);
    QCOMPARE(MessageTexts(), std::vector<std::string>{});
    frame.OnOptionsWindowSizeWarning();
    QCOMPARE(MessageTexts(), std::vector<std::string>{});  // never inside the command
    QTRY_COMPARE(MessageTexts(),
                 std::vector<std::string>{"Settings cannot be saved: Not a directory"});
    frame.OnOptionsWindowSizeWarning();
    frame.OnOptionsAutoClose();
    QTest::qWait(20);
    QCOMPARE(MessageTexts().size(), std::size_t{1});
    QCOMPARE(app->profile()->GetInt("Options", "AutoClose", 0), 1);
    QCOMPARE(Observed(frame, "wsw"), 1);
  }

  void readOnlyDirectoryKeepsTheFileAndSaysNothing() {
#ifdef _WIN32
    QSKIP("permission bits");
#else
    // Outside the build tree, so "nobody" can reach it.
    char pattern[] = "/tmp/corvane-readonly-XXXXXX";
    QVERIFY(mkdtemp(pattern) != nullptr);
    const fs::path dir = pattern;
    const fs::path file = dir / "corvane.ini";
    const std::string content =
        "[Screen]\nWidth=100\nHeight=30\nBufferSize=5000\n[Options]\nEmulation=1\n";
    WriteFile(file, content);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read |
                             fs::perms::others_exec);
    {
      OrdinaryUser nobody;
      QVERIFY(nobody.ok());
      std::unique_ptr<CTerminalApp> app = Start(file);
      QVERIFY(app);
      CMainFrame& frame = *app->MainFrame();
      QCOMPARE(Observed(frame, "width"), 100);
      QCOMPARE(Observed(frame, "height"), 30);
      QCOMPARE(Observed(frame, "buffer"), 5000);
      QCOMPARE(Observed(frame, "emulation"), 1);
      // A toggle cannot reach the disk; it holds for this run, silently.
      frame.OnOptionsWindowSizeWarning();
      QCOMPARE(Observed(frame, "wsw"), 0);
      QCOMPARE(app->profile()->GetInt("Options", "WinSizeWarning", 1), 0);
      QVERIFY(frame.close());
      QVERIFY(boxes_.messages.empty());
    }
    QCOMPARE(ReadFile(file), content);
    QCOMPARE(Others(file), std::vector<std::string>{});
    fs::permissions(dir, fs::perms::owner_all);
    fs::remove_all(dir);
#endif
  }

  // The real start-up writes its screen, font and colour keys. A profile made
  // read-only gets none of them and keeps its mode; a writable profile in a
  // folder that takes no new file gets them in place; a temporary file a killed
  // writer left beside the profile is gone after the start.
  void permissionsAndLeftoversAtStart_data() {
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<bool>("ordinaryUser");
    QTest::addColumn<bool>("written");
    QTest::newRow("mode 444") << 0444 << 0755 << false << false;
    QTest::newRow("mode 444 as an ordinary user") << 0444 << 0755 << true << false;
    QTest::newRow("writable file in a read-only folder") << 0666 << 0555 << true << true;
    QTest::newRow("mode 600 with a killed writer's leftover") << 0600 << 0755 << false << true;
  }

  void permissionsAndLeftoversAtStart() {
#ifdef _WIN32
    QSKIP("permission bits");
#else
    QFETCH(int, fileMode);
    QFETCH(int, folderMode);
    QFETCH(bool, ordinaryUser);
    QFETCH(bool, written);
    char pattern[] = "/tmp/corvane-permissions-XXXXXX";  // reachable by "nobody"
    QVERIFY(mkdtemp(pattern) != nullptr);
    const fs::path dir = pattern;
    const fs::path file = dir / "corvane.ini";
    const std::string content = "[Options]\nEmulation=1\n";
    WriteFile(file, content);
    const pid_t gone = fork();  // a writer that is no more
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    const fs::path leftover = dir / (".corvane.ini." + std::to_string(gone) + ".00000000abcd.tmp");
    WriteFile(leftover, "[Screen]\nWidth=1");
    fs::permissions(file, static_cast<fs::perms>(fileMode));
    fs::permissions(dir, static_cast<fs::perms>(folderMode));
    {
      OrdinaryUser nobody(ordinaryUser);
      QVERIFY(nobody.ok());
      std::unique_ptr<CTerminalApp> app = Start(file);
      QVERIFY(app);
      QCOMPARE(Observed(*app->MainFrame(), "emulation"), 1);
      QVERIFY(app->MainFrame()->close());
      QVERIFY(boxes_.messages.empty());
    }
    fs::permissions(dir, fs::perms::owner_all);
    const std::string after = ReadFile(file);
    const bool leftoverGone = !fs::exists(leftover);
    const auto mode = fs::status(file).permissions();
    fs::remove_all(dir);
    QCOMPARE(after != content, written);
    if (written) QVERIFY(after.find("BufferSize=1000") != std::string::npos);
    QCOMPARE(static_cast<int>(mode), fileMode);
    // Only where the user may change the folder (root's, when "nobody" writes) can the leftover go.
    QCOMPARE(leftoverGone, folderMode == 0755 && !(ordinaryUser && geteuid() == 0));
#endif
  }

  void missingDirectoryIsCreatedOrLeftAlone() {
    // A directory that can be made is made by the first write of the start.
    const fs::path deep = profile_.parent_path() / "missing" / "deeper" / "corvane.ini";
    fs::remove_all(profile_.parent_path() / "missing");
    {
      std::unique_ptr<CTerminalApp> app = Start(deep);
      QVERIFY(app);
      QCOMPARE(Observed(*app->MainFrame(), "width"), 80);
      QVERIFY(boxes_.messages.empty());
    }
    QCOMPARE(IniProfile(deep).GetInt("Screen", "Width", 0), 80);

    // One that cannot be made (a file stands in its way): defaults, silently.
    const fs::path blocker = profile_.parent_path() / "blocker";
    WriteFile(blocker, "not a directory");
    {
      std::unique_ptr<CTerminalApp> app = Start(blocker / "sub" / "corvane.ini");
      QVERIFY(app);
      QCOMPARE(Observed(*app->MainFrame(), "height"), 24);
      app->MainFrame()->OnOptionsAutoClose();
      QVERIFY(app->MainFrame()->close());
      QVERIFY(boxes_.messages.empty());
    }
    QCOMPARE(ReadFile(blocker), std::string("not a directory"));
  }

  void fileRemovedOrReplacedWhileRunning() {
    const fs::path dir = profile_.parent_path() / "live";
    const fs::path file = dir / "corvane.ini";
    fs::create_directories(dir);
    WriteFile(file, "[Screen]\nWidth=100\n");
    std::unique_ptr<CTerminalApp> app = Start(file);
    QVERIFY(app);
    CMainFrame& frame = *app->MainFrame();

    // The file goes: the next change makes a new one holding that change.
    fs::remove(file);
    frame.OnOptionsWindowSizeWarning();
    QCOMPARE(IniProfile(file).GetInt("Options", "WinSizeWarning", 1), 0);

    // The whole directory goes: it comes back with the next change.
    fs::remove_all(dir);
    frame.OnOptionsAutoClose();
    QCOMPARE(IniProfile(file).GetInt("Options", "AutoClose", 0), 1);

    // Replaced by garbage, then cut off in the middle of a line: changes merge
    // into what is there, and the garbage stays as it was.
    const std::string garbage = Garbage(2000, 5, false);
    WriteFile(file, garbage + "\n[Options]\nDisconnectNotify=1\nAutoCl");
    frame.OnOptionsDisconnectNotify();
    IniProfile reread(file);
    QCOMPARE(reread.GetInt("Options", "DisconnectNotify", 1), 0);
    QVERIFY(ReadFile(file).find(garbage) == 0);

    QVERIFY(frame.isVisible());
    QVERIFY(frame.close());
    QVERIFY(boxes_.messages.empty());
    QCOMPARE(Others(file), std::vector<std::string>{});
  }
};

QTEST_MAIN(SettingsRobustnessTest)
#include "SettingsRobustnessTest.moc"
