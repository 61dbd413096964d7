// Corvane against telnet servers it did not write: inetutils' telnetd and
// busybox's telnetd on loopback, each behind a relay that records what the
// server sent. The frame runs in-process on the offscreen platform with a real
// socket; the test types through real key events and reads the screen model.
#include <signal.h>

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "../qt/FrameRig.h"
#include "../qt/QuietOffscreen.h"
#include "../support/SessionTestAccess.h"
#include "dialogs/TerminalPropertiesDialog.h"
#include "frame/CommandIds.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"
#include "view/TerminalView.h"

namespace {
const char* kPrompt = "corvane$ ";

// A telnet server started by the test and stopped by its process group.
class RealServer {
 public:
  RealServer(const QString& kind, const QString& record) {
    process_.setProgram("python3");
    process_.setArguments({QStringLiteral(CORVANE_TOOLS_DIR "/loopback_telnet_server.py"), "--kind",
                           kind, "--program", QStringLiteral(CORVANE_TOOLS_DIR "/demo_shell.sh"),
                           "--record", record, "--limit", "120"});
    process_.start();
    if (process_.waitForReadyRead(10000)) port_ = process_.readLine().trimmed().toUInt();
  }
  ~RealServer() {
    if (process_.processId() > 0) ::kill(-static_cast<pid_t>(process_.processId()), SIGKILL);
    process_.waitForFinished(3000);
  }
  unsigned Port() const { return port_; }

 private:
  QProcess process_;
  unsigned port_ = 0;
};

bool Available(const char* path) { return std::filesystem::exists(path); }

std::string ReadFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The session log's rule: bytes from 32 up kept, CR written as CR LF, other controls dropped.
std::string Filtered(const std::string& raw) {
  std::string out;
  for (unsigned char b : raw) {
    if (b >= 32)
      out += static_cast<char>(b);
    else if (b == 13)
      out += "\r\n";
  }
  return out;
}
}  // namespace

class RealHostsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<FrameRig> rigPtr_ = std::make_unique<FrameRig>();
  std::unique_ptr<RealServer> server_;
  QTemporaryDir dir_;

  CTelnetSession& Session() { return *rigPtr_->frame->Session(); }

  std::string Row(int r) {
    std::string row = Peek(Session()).m_Text[static_cast<std::size_t>(r)];
    row.erase(row.find_last_not_of(' ') + 1);
    return row;
  }
  std::string Screen() {
    std::string all;
    for (int r = 0; r < Session().Screen().Height(); ++r) all += "|" + Row(r) + "|\n";
    return all;
  }
  int FindRow(const std::string& text) {
    for (int r = Session().Screen().Height() - 1; r >= 0; --r)
      if (Row(r) == text) return r;
    return -1;
  }
  // The row that holds `text` at column `col` or before, top first; -1 if none.
  int FindRowStartingWith(const std::string& text, int col) {
    for (int r = 0; r < Session().Screen().Height(); ++r) {
      const auto at = Row(r).find(text);
      if (at != std::string::npos && static_cast<int>(at) <= col) return r;
    }
    return -1;
  }
  bool WaitForRow(const std::string& text, int ms = 10000) {
    return QTest::qWaitFor([&] { return FindRow(text) >= 0; }, ms);
  }
  bool WaitForPrompt(int ms = 15000) {
    return QTest::qWaitFor(
        [&] {
          return Peek(Session()).m_nCursorCol == static_cast<int>(std::strlen(kPrompt)) &&
                 Row(Peek(Session()).m_nCursorRow) == std::string(kPrompt).substr(0, 8);
        },
        ms);
  }
  // Types a line with real key events, Enter included.
  void TypeLine(const QString& line) {
    QWidget* view = rigPtr_->frame->View();
    QTest::keyClicks(view, line);
    QTest::keyClick(view, Qt::Key_Return);
  }
  // Clears the screen, runs a command and waits for its end mark and the next prompt.
  void Run(const QString& command) {
    const std::string mark = "done-" + std::to_string(++runs_);
    TypeLine("clear; " + command + "; echo " + QString::fromStdString(mark));
    QVERIFY2(WaitForRow(mark), Screen().c_str());
    QVERIFY2(WaitForPrompt(), Screen().c_str());
  }
  int runs_ = 0;
  // Waits until the server has sent nothing for a while and Corvane has drawn
  // what it sent: a full-screen program between two refreshes.
  bool Settle(const QString& kind, int quietMs = 300) {
    const std::string path = dir_.filePath(kind + ".raw").toStdString();
    std::uintmax_t last = static_cast<std::uintmax_t>(-1);
    for (int waited = 0; waited < 15000; waited += quietMs) {
      QTest::qWait(quietMs);
      std::error_code ignored;
      const std::uintmax_t now = std::filesystem::file_size(path, ignored);
      if (now == last) return true;
      last = now;
    }
    return false;
  }
  // How often the server has sent `text` so far.
  int TimesSent(const QString& kind, const std::string& text) {
    const std::string raw = ReadFile(dir_.filePath(kind + ".raw"));
    int n = 0;
    for (auto at = raw.find(text); at != std::string::npos; at = raw.find(text, at + 1)) ++n;
    return n;
  }
  bool StartsWith(int row, const std::string& prefix) { return Row(row).rfind(prefix, 0) == 0; }
  void Connect(const QString& kind) {
    server_ = std::make_unique<RealServer>(kind, dir_.filePath(kind + ".raw"));
    QVERIFY(server_->Port() != 0);
    if (!rigPtr_->frame) {
      rigPtr_->Start("127.0.0.1", server_->Port());
      rigPtr_->frame->show();
    } else {
      rigPtr_->frame->ConnectAndRemember("127.0.0.1", server_->Port(), "");
    }
    rigPtr_->frame->View()->setFocus();
    QVERIFY2(WaitForPrompt(), Screen().c_str());
  }
  // Changes settings in the Terminal properties dialog and presses OK.
  void TerminalProperties(const std::function<void(CTerminalPropertiesDlg&)>& change) {
    bool shown = false;
    rigPtr_->dialogs = [&](QDialog& dialog) {
      auto* properties = qobject_cast<CTerminalPropertiesDlg*>(&dialog);
      if (!properties) return static_cast<int>(QDialog::Rejected);
      shown = true;
      properties->show();
      change(*properties);
      properties->accept();
      return properties->result();
    };
    rigPtr_->frame->Action(cmd::ID_OPTIONS_TERMINAL)->trigger();
    rigPtr_->dialogs = nullptr;
    QVERIFY(shown);
  }

 private slots:
  void initTestCase() {
    InstallQuietMessageHandler();
    if (!Available("/usr/sbin/telnetd") || !Available("/bin/busybox"))
      QSKIP("inetutils-telnetd or busybox-static is not installed");
  }
  void cleanup() {
    rigPtr_->frame.reset();
    server_.reset();
    rigPtr_ = std::make_unique<FrameRig>();
  }

  void inetutilsSeesVt100AndTheScreenSize() {
    Connect("inetutils");
    Run("echo $TERM");
    QVERIFY2(FindRow("vt100") >= 0, Screen().c_str());
    Run("stty size");
    QVERIFY2(FindRow("24 80") >= 0, Screen().c_str());
  }

  void inetutilsSeesAnsiAfterTheEmulationChanges() {
    Connect("inetutils");
    TerminalProperties([](CTerminalPropertiesDlg& d) { d.AnsiRadio()->setChecked(true); });
    QCOMPARE(Session().Emulation(), 1);
    Connect("inetutils");  // a new server: the previous connection is closed first
    Run("echo $TERM");
    QVERIFY2(FindRow("ansi") >= 0, Screen().c_str());
  }

  void busyboxSeesTheScreenSize() {
    Connect("busybox");
    Run("stty size");
    QVERIFY2(FindRow("24 80") >= 0, Screen().c_str());
  }

  void aResizeWhileConnectedReachesTheHost() {
    Connect("inetutils");
    TerminalProperties([](CTerminalPropertiesDlg& d) {
      d.WidthEdit()->setText("100");
      d.HeightEdit()->setText("30");
    });
    QCOMPARE(Session().Screen().Width(), 100);
    QCOMPARE(Session().Screen().Height(), 30);
    Run("stty size");
    QVERIFY2(FindRow("30 100") >= 0, Screen().c_str());
  }

  void aFullScreenProgramDrawsWhereItShould() {
    if (!Available("/usr/bin/less")) QSKIP("less is not installed");
    const QString file = dir_.filePath("lines.txt");
    {
      std::ofstream out(file.toStdString());
      for (int i = 1; i <= 200; ++i) out << "line " << i << (i == 1 ? " TOP-MARKER" : "") << "\n";
    }
    Connect("inetutils");
    TypeLine("TERM=vt100 less " + file);
    QVERIFY2(QTest::qWaitFor([&] { return Row(0) == "line 1 TOP-MARKER"; }, 10000),
             Screen().c_str());
    QVERIFY2(QTest::qWaitFor([&] { return Row(22) == "line 23"; }, 5000), Screen().c_str());
    QTest::keyClick(rigPtr_->frame->View(), Qt::Key_Space);  // the next page
    QVERIFY2(QTest::qWaitFor([&] { return Row(0) == "line 24"; }, 5000), Screen().c_str());
    QTest::keyClicks(rigPtr_->frame->View(), "q");
    QVERIFY2(WaitForPrompt(), Screen().c_str());
  }

  // top under TERM=vt100 writes the bottom-right cell on every refresh and
  // homes the cursor only in its next write: the screen must not scroll.
  void topKeepsItsHeaderOnTheFirstRowAcrossRefreshes() {
    if (!Available("/usr/bin/top")) QSKIP("top (procps) is not installed");
    Connect("inetutils");
    TypeLine("TERM=vt100 top -d 1");
    for (int refreshes : {2, 3}) {
      QVERIFY2(
          QTest::qWaitFor([&] { return TimesSent("inetutils", "top - ") >= refreshes; }, 15000),
          Screen().c_str());
      QVERIFY(Settle("inetutils"));
      QVERIFY2(StartsWith(0, "top - ") && StartsWith(1, "Tasks:"), Screen().c_str());
      QVERIFY2(!Row(Session().Screen().Height() - 1).empty(),
               Screen().c_str());  // the last process line
    }
    QTest::keyClicks(rigPtr_->frame->View(), "q");
    QVERIFY2(WaitForPrompt(), Screen().c_str());
  }

  // htop under TERM=vt100 moves with CUD and CUB from the end of each meter
  // line: the meters stay in their columns, refresh after refresh.
  void htopDrawsItsMetersInTheirColumns() {
    if (!Available("/usr/bin/htop")) QSKIP("htop is not installed");
    Connect("inetutils");
    TypeLine("TERM=vt100 htop -d 10");
    QVERIFY2(QTest::qWaitFor([&] { return TimesSent("inetutils", "Uptime") >= 1; }, 15000),
             Screen().c_str());
    for (int pass = 0; pass < 2; ++pass) {
      if (pass > 0) QTest::qWait(2500);  // two refreshes or more
      QVERIFY(Settle("inetutils"));
      // Left: the CPU meters, then Mem and Swp, each "[" in one column, rows in
      // a block under the blank first row; right: Tasks, Load average, Uptime
      // left-aligned in one column.
      const int mem = FindRowStartingWith("Mem[", 3);
      QVERIFY2(mem >= 2, Screen().c_str());
      QVERIFY2(Row(0).empty(), Screen().c_str());
      QVERIFY2(Row(mem + 1).find("Swp[") == Row(mem).find("Mem["), Screen().c_str());
      for (int r = 1; r < mem; ++r)
        QVERIFY2(Row(r).find("%]") != std::string::npos, Screen().c_str());
      const std::size_t bracket = Row(mem).find('[');
      for (int r = 1; r <= mem + 1; ++r) QVERIFY2(Row(r).find('[') == bracket, Screen().c_str());
      const std::size_t right = Row(1).find("Tasks: ");
      QVERIFY2(right != std::string::npos && right >= 40, Screen().c_str());
      QVERIFY2(Row(2).find("Load average: ") == right, Screen().c_str());
      QVERIFY2(Row(3).find("Uptime: ") == right, Screen().c_str());
    }
    QTest::keyClicks(rigPtr_->frame->View(), "q");
    QVERIFY2(WaitForPrompt(), Screen().c_str());
  }

  // The ansi terminal has no application cursor mode: vim under TERM=ansi
  // reads ESC O A as Escape, "O"pen line, "A". The arrows it is sent must be
  // ESC [ A..D, whatever the arrow-mode setting, or the file gets junk lines.
  void vimUnderAnsiTakesTheArrowKeysAsMovesNotText() {
    if (!Available("/usr/bin/vim")) QSKIP("vim is not installed");
    const QString file = dir_.filePath("typed.txt");
    keys::Emulation.Write(rigPtr_->profile, 1);
    keys::ApplicationMode.Write(rigPtr_->profile, 1);  // the default, which is VT100's alone
    Connect("inetutils");
    Run("echo $TERM");
    QVERIFY2(FindRow("ansi") >= 0, Screen().c_str());
    TypeLine("vim -u NONE -i NONE -N " + file);
    QVERIFY2(WaitForRow("~"), Screen().c_str());
    QWidget* view = rigPtr_->frame->View();
    QTest::keyClicks(view, "oword");
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Left}) QTest::keyClick(view, key);
    QTest::keyClick(view, Qt::Key_Escape);
    QTest::qWait(300);  // vim tells a lone Escape from a key's sequence by time
    TypeLine(":wq");
    QVERIFY2(WaitForPrompt(), Screen().c_str());
    const std::string saved = ReadFile(file);
    QVERIFY2(saved == "\nword\n", ("the file holds: " + saved).c_str());
  }

  // Byte 255 typed as data (ÿ in Windows-1252) goes out as IAC IAC, so the
  // program reads it, and the text around it, as typed.
  void aTypedByte255ReachesTheProgramIntact() {
    rigPtr_->profile.Set("Font", "Name", "DejaVu Sans Mono");  // a face shown through 1252
    Connect("inetutils");
    // Without the binary option inetutils' pty strips the eighth bit (istrip);
    // turned off before the line arrives, since the pty strips on arrival.
    Run("stty -istrip");
    TypeLine("od -An -tx1");
    TypeLine(QStringLiteral("a \u00ff b \u00ff \u00ff c"));
    QTest::keyClick(rigPtr_->frame->View(), Qt::Key_D, Qt::ControlModifier);  // end of input
    QVERIFY2(WaitForRow(" 61 20 ff 20 62 20 ff 20 ff 20 63 0a"), Screen().c_str());
    QVERIFY2(WaitForPrompt(), Screen().c_str());
  }

  // A UTF-8 host: what printf writes shows in the cells of the font's code
  // page, Windows-1252 and then CP437, and the typed command line, and a typed
  // é, reach the host as UTF-8: BINARY keeps its pty from stripping the
  // eighth bit, with no stty needed.
  void aUtf8HostShowsItsTextAndGetsWhatIsTypedAsUtf8() {
    rigPtr_->profile.Set("Options", "HostText", "1");
    rigPtr_->profile.Set("Font", "Name", "DejaVu Sans Mono");  // a face shown through 1252
    Connect("inetutils");
    QWidget* view = rigPtr_->frame->View();
    auto type = [view](const QString& text) {
      for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, view,
                            c.unicode() < 0x80 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown,
                            QString(c), Qt::NoModifier);
      QTest::keyClick(view, Qt::Key_Return);
    };
    const QString printf = QStringLiteral(
        "export LANG=C.UTF-8; clear; printf '\u00e9 \u201cq\u201d \u251c\u2500\u2524\\n'");
    type(printf);
    QVERIFY2(WaitForRow("\xe9 \x93q\x94 ???"), Screen().c_str());
    QVERIFY2(WaitForPrompt(), Screen().c_str());

    FontDescription oem = Session().Font();
    oem.faceName = "Terminal";
    Session().CreateTerminalFont(oem, Session().ForegroundColour(), false);
    type(printf);
    QVERIFY2(WaitForRow("\x82 ?q? \xc3\xc4\xb4"), Screen().c_str());
    QVERIFY2(WaitForPrompt(), Screen().c_str());

    TypeLine("od -An -tx1");
    type(QStringLiteral("\u00e9"));
    QTest::keyClick(view, Qt::Key_D, Qt::ControlModifier);  // end of input
    QVERIFY2(WaitForRow(" c3 a9 0a"), Screen().c_str());
    QVERIFY2(WaitForPrompt(), Screen().c_str());
  }

  void theLogHoldsWhatTheHostSentAndExitClosesTheSession() {
    const QString log = dir_.filePath("session.log");
    Connect("inetutils");
    QTest::qWait(300);  // the host is quiet at its prompt: everything sent so far has arrived
    // Started before any command, so it sees everything from here on.
    Session().ToggleLog([&]() -> std::optional<std::string> { return log.toStdString(); });
    QVERIFY(Session().IsLogging());
    const std::string before = ReadFile(dir_.filePath("inetutils.raw"));
    Run("echo logged-$((6*7))");
    QVERIFY(FindRow("logged-42") >= 0);
    TypeLine("exit");
    QVERIFY(
        QTest::qWaitFor([&] { return rigPtr_->CountMessages("Connection closed") == 1; }, 10000));
    QVERIFY(!Session().IsConnected());
    QCOMPARE(rigPtr_->frame->windowTitle(), QStringLiteral("Corvane"));
    Session().ToggleLog([] { return std::optional<std::string>(); });  // stop: flushes the file
    const std::string raw = ReadFile(dir_.filePath("inetutils.raw"));
    QVERIFY(raw.size() > before.size());
    QCOMPARE(ReadFile(log), Filtered(raw.substr(before.size())));
  }
};

QTEST_MAIN(RealHostsTest)
#include "RealHostsTest.moc"
