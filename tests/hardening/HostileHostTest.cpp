// The real frame against a hostile host (tests/hardening/hostile_host.py, a separate
// process on loopback): resets, instant closes, byte-by-byte drips, endless
// sequences, absurd parameters, negotiation storms, random noise and bursts
// behind a modal box. For every scenario the event loop must keep turning, the
// screen must keep its shape, the text after the hostile part must show, and
// the session log must hold exactly the filtered bytes the host sent.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

#include "../support/SessionTestAccess.h"
#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "ScreenInvariants.h"
#include "ScriptedConnection.h"
#include "net/QtConnection.h"
#include "platform/headless/HeadlessHost.h"
#include "terminal/TelnetSession.h"
#include "view/TerminalView.h"

namespace {

constexpr const char* kTrailer = "AFTER THE HOSTILE PART";
constexpr const char* kRefusal = "Server refuses to negotiate window size";
constexpr const char* kClosed = "Connection closed";
// The longest the event loop may stand still. Far above what one read and its
// drawing take, even in a sanitizer build; far below what a stall looks like.
constexpr qint64 kMaxStallMs = 1500;

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (int v : values) out.append(static_cast<char>(v));
  return out;
}

// What the log keeps of received bytes: 32 and up as they are, CR as CR LF,
// every other control dropped.
QByteArray FilteredForLog(const QByteArray& received) {
  QByteArray out;
  out.reserve(received.size());
  for (const char c : received) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 32) {
      out.append(c);
    } else if (b == 13) {
      out.append("\r\n");
    }
  }
  return out;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

long PeakRssKb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return -1;
}

bool ScreenShows(const CTelnetSession& session, const std::string& text) {
  return std::any_of(Peek(session).m_Text.begin(), Peek(session).m_Text.end(),
                     [&](const std::string& row) { return row.find(text) != std::string::npos; });
}

// The hostile host process; stopped by its PID when the test is done with it.
class HostProcess {
 public:
  ~HostProcess() { Stop(); }

  bool Start(const QString& scenario, const QString& dir, const QStringList& extra) {
    sent_ = dir + "/sent.bin";
    received_ = dir + "/received.bin";
    const QString portFile = dir + "/port";
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) return false;
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(python,
                   QStringList{QStringLiteral(CORVANE_HOSTILE_HOST), "--scenario", scenario,
                               "--port-file", portFile, "--sent", sent_, "--received", received_} +
                       extra);
    if (!process_.waitForStarted(10000)) return false;
    if (!QTest::qWaitFor([&] { return QFile::exists(portFile); }, 20000)) return false;
    port_ = ReadAll(portFile).toUInt();
    return port_ != 0;
  }
  void Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();  // by its PID
    process_.waitForFinished(5000);
  }
  bool Running() const { return process_.state() != QProcess::NotRunning; }
  bool WaitForExit(int ms) { return Running() ? process_.waitForFinished(ms) : true; }
  bool ExitedCleanly() const {
    return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
  }
  unsigned Port() const { return port_; }
  QByteArray Sent() const { return ReadAll(sent_); }
  QByteArray Received() const { return ReadAll(received_); }
  QString SentPath() const { return sent_; }

 private:
  QProcess process_;
  QString sent_, received_;
  unsigned port_ = 0;
};

// Watches the event loop while a scenario runs: a fast timer notes how long
// the loop stood still between ticks, checks the screen's shape at each tick,
// and counts repaints of the terminal area.
class Probe : public QObject {
 public:
  explicit Probe(CMainFrame& frame) : frame_(frame) {
    timer_.setInterval(20);
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    frame_.View()->installEventFilter(this);
  }
  ~Probe() override { frame_.View()->removeEventFilter(this); }
  void Start() {
    clock_.start();
    last_ = 0;
    timer_.start();
  }
  void Stop() {
    Tick();
    timer_.stop();
  }
  int ticks = 0;
  int paints = 0;
  qint64 maxGapMs = 0;
  std::string violation;  // the first broken screen rule seen

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return QObject::eventFilter(watched, event);
  }

 private:
  void Tick() {
    const qint64 now = clock_.elapsed();
    maxGapMs = std::max(maxGapMs, now - last_);
    last_ = now;
    ++ticks;
    if (violation.empty()) violation = FindInvariantViolation(*frame_.Session());
  }
  CMainFrame& frame_;
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0;
};

// Answers the real modal message boxes after they have been open for a while,
// so whatever the host sends meanwhile arrives behind an open box.
class BoxCloser : public QObject {
 public:
  explicit BoxCloser(int holdMs) : holdMs_(holdMs) {
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_.start();
  }
  std::vector<std::string> texts;  // in the order the boxes were closed

 private:
  void Poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    if (box != current_) {
      current_ = box;
      opened_.start();
      return;
    }
    if (opened_.elapsed() < holdMs_) return;
    texts.push_back(box->text().toStdString());
    current_ = nullptr;
    QAbstractButton* ok = box->button(QMessageBox::Ok);
    if (ok == nullptr) ok = box->button(QMessageBox::Yes);
    if (ok != nullptr) ok->click();
  }
  int holdMs_;
  QTimer timer_;
  QPointer<QMessageBox> current_;
  QElapsedTimer opened_;
};

struct Scenario {
  QString name;
  QStringList hostArgs{};
  std::map<std::string, std::string> options{};  // "Options" keys of the profile
  int connections = 1;
  bool realBoxes = false;  // true: the frame's own modal boxes, held open a while
  int timeoutMs = 30000;
};

struct Outcome {
  bool hostStarted = false;
  bool trailerShown = false;
  bool hostExitedCleanly = false;
  int connects = 0;
  std::vector<std::string> messages;
  QByteArray sent, received, log;
  std::string violationAtEnd;
  Probe* probe = nullptr;
  qint64 elapsedMs = 0;
  int width = 0, height = 0;

  int Count(const std::string& text) const {
    return static_cast<int>(std::count(messages.begin(), messages.end(), text));
  }
};

}  // namespace

class HostileHostTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::unique_ptr<MemoryProfile> profile_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<Probe> probe_;
  std::unique_ptr<BoxCloser> closer_;
  std::vector<std::string> hookMessages_;

  // Plays a scenario against the real frame and gathers what happened.
  Outcome Play(const Scenario& s) {
    Outcome out;
    HostProcess host;
    out.hostStarted = host.Start(s.name, dir_.path(), s.hostArgs);
    if (!out.hostStarted) return out;

    profile_ = std::make_unique<MemoryProfile>();
    for (const auto& [key, value] : s.options) profile_->Set("Options", key, value);
    FrameHooks hooks;
    if (!s.realBoxes) {
      hooks.messageBox = [this](const std::string& text, MessageKind kind) {
        hookMessages_.push_back(text);
        return kind == MessageKind::Question ? MessageAnswer::Yes : MessageAnswer::Ok;
      };
    } else {
      closer_ = std::make_unique<BoxCloser>(300);
    }
    hooks.quit = [] {};
    frame_ = std::make_unique<CMainFrame>(*profile_, CommandLine{}, hooks);
    frame_->show();
    (void)QTest::qWaitForWindowExposed(frame_.get());
    CTelnetSession& session = *frame_->Session();
    const QString logPath = dir_.filePath(QStringLiteral("session.log"));
    session.ToggleLog([&] { return std::optional<std::string>(logPath.toStdString()); });

    probe_ = std::make_unique<Probe>(*frame_);
    out.probe = probe_.get();
    probe_->Start();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < s.timeoutMs) {
      if (out.trailerShown) {
        if (!host.Running()) break;
      } else if (ScreenShows(session, kTrailer)) {
        out.trailerShown = true;
        out.elapsedMs = clock.elapsed();
        if (session.IsConnected()) frame_->OnFileClose();  // the user leaves
        continue;
      } else if (!session.IsConnected() && out.connects < s.connections) {
        frame_->ConnectAndRemember("127.0.0.1", host.Port(), "");
        ++out.connects;
      }
      QTest::qWait(5);
    }
    probe_->Stop();
    const long peakRssKb = PeakRssKb();  // before the test reads the host's records
    if (!out.trailerShown) out.elapsedMs = clock.elapsed();
    if (session.IsConnected()) frame_->OnFileClose();
    QTest::qWait(50);
    session.ToggleLog([] { return std::optional<std::string>(); });  // stops the log

    out.hostExitedCleanly = host.WaitForExit(10000) && host.ExitedCleanly();
    host.Stop();
    out.violationAtEnd = FindInvariantViolation(session);
    out.messages = s.realBoxes ? closer_->texts : hookMessages_;
    out.sent = host.Sent();
    out.received = host.Received();
    out.log = ReadAll(logPath);
    out.width = session.Screen().Width();
    out.height = session.Screen().Height();
    std::printf(
        "TIMING %s: %lld bytes from the host in %lld ms; %d ticks, longest stall %lld ms, "
        "%d repaints, peak RSS %ld kB\n",
        qPrintable(s.name), static_cast<long long>(out.sent.size()),
        static_cast<long long>(out.elapsedMs), probe_->ticks,
        static_cast<long long>(probe_->maxGapMs), probe_->paints, peakRssKb);
    if (!out.trailerShown) {
      // What the screen shows instead, to tell a stall from lost data.
      std::printf(
          "NO TRAILER %s: connected %d, %d connects, %zu messages, %llu lines received, "
          "log %lld of %lld bytes; screen bottom:\n",
          qPrintable(s.name), session.IsConnected(), out.connects, out.messages.size(),
          static_cast<unsigned long long>(Peek(session).m_nLineCount),
          static_cast<long long>(out.log.size()),
          static_cast<long long>(FilteredForLog(out.sent).size()));
      for (int r = std::max(0, session.Screen().Height() - 3); r < session.Screen().Height(); ++r)
        std::printf("  |%s|\n", Peek(session).m_Text[r].c_str());
      for (const std::string& m : out.messages) std::printf("  message: %s\n", m.c_str());
    }
    std::fflush(stdout);
    return out;
  }

  // What every scenario must keep.
  static void CheckCommon(const Outcome& out) {
    QVERIFY2(out.hostStarted, "the hostile host did not start");
    QVERIFY2(out.trailerShown, "the text after the hostile part never showed");
    QVERIFY2(out.hostExitedCleanly, "the hostile host did not finish its scenario");
    QVERIFY2(out.probe->violation.empty(), out.probe->violation.c_str());
    QVERIFY2(out.violationAtEnd.empty(), out.violationAtEnd.c_str());
    QVERIFY2(
        out.probe->maxGapMs <= kMaxStallMs,
        qPrintable(QStringLiteral("event loop stood still for %1 ms").arg(out.probe->maxGapMs)));
    QVERIFY(out.probe->ticks >= 1);
    // The log holds exactly what arrived, filtered; compared by size first so
    // a mismatch of 100 MB does not print 100 MB.
    const QByteArray expected = FilteredForLog(out.sent);
    QCOMPARE(out.log.size(), expected.size());
    QVERIFY2(out.log == expected, "the log differs from the filtered bytes the host sent");
  }

 private slots:
  void initTestCase() {
    InstallQuietMessageHandler();
    QVERIFY(dir_.isValid());
  }

  void cleanup() {
    probe_.reset();
    frame_.reset();
    closer_.reset();
    profile_.reset();
    hookMessages_.clear();
  }

  void resetInTheMiddleOfASequence() {
    const Outcome out = Play({.name = "reset_mid_sequence", .connections = 2});
    CheckCommon(out);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(out.connects, 2);
    QCOMPARE(out.Count(kClosed), 1);
    // The sequence cut by the reset ("ESC [ 1 2") swallowed nothing of the
    // next connection: its text starts at the first byte.
    QVERIFY(ScreenShows(*frame_->Session(), "before the reset"));
    QVERIFY(ScreenShows(*frame_->Session(), kTrailer));
  }

  void hostClosesAtOnceAfterConnecting() {
    const Outcome out = Play({.name = "close_at_once", .connections = 2});
    CheckCommon(out);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(out.connects, 2);
    QCOMPARE(out.Count(kClosed), 1);
  }

  void oneBytePerWriteDripOfAnEscapeHeavyStream() {
    const Outcome out = Play({.name = "drip", .hostArgs = {"--size", "12000"}});
    CheckCommon(out);
    if (QTest::currentTestFailed()) return;
    // However the stream was cut into reads, the screen is the one the whole
    // stream makes at once.
    HeadlessHost host;
    ScriptedConnection connection;
    MemoryProfile profile;
    profile.Set("Screen", "Width", std::to_string(out.width));
    profile.Set("Screen", "Height", std::to_string(out.height));
    CTelnetSession reference(host, connection, profile);
    QVERIFY(reference.OpenConnection("reference", 23));
    for (qsizetype at = 0; at < out.sent.size(); at += kRecvBufSize)
      connection.Queue(out.sent.mid(at, kRecvBufSize).toStdString());
    while (!connection.incoming.empty()) reference.OnReceive(0);
    const CTelnetSession& live = *frame_->Session();
    QCOMPARE(live.Screen().Width(), reference.Screen().Width());
    QCOMPARE(live.Screen().Height(), reference.Screen().Height());
    for (int r = 0; r < live.Screen().Height(); ++r) {
      QCOMPARE(Peek(live).m_Text[r], Peek(reference).m_Text[r]);
      QCOMPARE(QByteArray::fromStdString(Peek(live).m_Attrs[r]).toHex(),
               QByteArray::fromStdString(Peek(reference).m_Attrs[r]).toHex());
    }
    QCOMPARE(Peek(live).m_nCursorRow, Peek(reference).m_nCursorRow);
    QCOMPARE(Peek(live).m_nCursorCol, Peek(reference).m_nCursorCol);
    QCOMPARE(Peek(live).m_nLineCount, Peek(reference).m_nLineCount);
  }

  void unfinishedSequenceOf4096BytesThenText() {
    const Outcome out = Play({.name = "long_unfinished"});
    CheckCommon(out);
    if (QTest::currentTestFailed()) return;
    const CTelnetSession& session = *frame_->Session();
    QVERIFY(ScreenShows(session, "normal text one"));
    QVERIFY(ScreenShows(session, "normal text two"));
    QVERIFY(!ScreenShows(session, "1111"));  // the digits never reach the screen
  }

  void parametersOfTenDigits() {
    const Outcome out = Play({.name = "ten_digit_params"});
    CheckCommon(out);
  }

  void scrollRegionsOutOfBounds() {
    const Outcome out = Play({.name = "scroll_regions"});
    CheckCommon(out);
    if (QTest::currentTestFailed()) return;
    QVERIFY(ScreenShows(*frame_->Session(), "after naws"));
  }

  void tenThousandRefusalsWithTheWarningOff() {
    const Outcome out = Play({.name = "dont_naws_flood", .options = {{"WinSizeWarning", "0"}}});
    CheckCommon(out);
    if (QTest::currentTestFailed()) return;
    QVERIFY(out.messages.empty());
    // The first command brings the one offer; refusals get no answer.
    QCOMPARE(out.received.toHex(' '), Bytes({255, 251, 31}).toHex(' '));
    QCOMPARE(out.width, 80);
    QCOMPARE(out.height, 24);
  }

  void terminalTypeRequestStorm() {
    const Outcome out = Play({.name = "ttype_storm"});
    CheckCommon(out);
    if (QTest::currentTestFailed()) return;
    QVERIFY(out.messages.empty());
    const int expected = ReadAll(dir_.filePath("sent.bin.expected-replies")).toInt();
    QVERIFY(expected > 10000);
    const QByteArray reply = Bytes({255, 250, 24, 0}) + "vt100" + Bytes({255, 240});
    QByteArray all = Bytes({255, 251, 31});
    for (int i = 0; i < expected; ++i) all += reply;
    QCOMPARE(out.received.size(), all.size());
    QVERIFY2(out.received == all, "the answers differ from one vt100 answer per request");
  }

  // CORVANE_HOSTILE_FLOOD_BYTES sets another size, for measuring.
  void hundredMegabytesOfRandomBytes() {
    const QByteArray size =
        qEnvironmentVariable("CORVANE_HOSTILE_FLOOD_BYTES", "104857600").toLatin1();
    const Outcome out = Play({.name = "random_flood",
                              .hostArgs = {"--size", QString::fromLatin1(size)},
                              .timeoutMs = 1100000});
    CheckCommon(out);
    if (QTest::currentTestFailed()) return;
    QVERIFY(out.sent.size() > size.toLongLong());
    for (const std::string& text : out.messages) QCOMPARE(text, std::string(kRefusal));
    QVERIFY(out.probe->paints > 0);
  }

  void burstsWhileTheRefusalWarningIsOpen() {
    const Outcome out =
        Play({.name = "modal_burst", .options = {{"WinSizeWarning", "1"}}, .realBoxes = true});
    CheckCommon(out);
    if (QTest::currentTestFailed()) return;
    // Four refusals, one warning: it is shown once per connection.
    QCOMPARE(out.Count(kRefusal), 1);
    QCOMPARE(static_cast<int>(out.messages.size()), 1);
  }

  // 200,000 refusals with the warning on: one box, answered like any other,
  // and then the rest of the stream shows.
  void twoHundredThousandRefusalsShowOneWarning() {
    const Outcome out = Play({.name = "dont_naws_flood",
                              .hostArgs = {"--size", "200000"},
                              .options = {{"WinSizeWarning", "1"}},
                              .realBoxes = true});
    CheckCommon(out);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(out.Count(kRefusal), 1);
    QCOMPARE(static_cast<int>(out.messages.size()), 1);
  }

  // Accept, widen past the edge, refuse, for three seconds: the screen keys
  // reach the profile at most once a second, and the last size at the close.
  void resizeStormWritesTheScreenKeysAtMostOnceASecond() {
    const Outcome out =
        Play({.name = "resize_storm", .hostArgs = {"--size", "3"}, .timeoutMs = 60000});
    CheckCommon(out);
    if (QTest::currentTestFailed()) return;
    const auto widthWrites =
        std::count_if(profile_->writes.begin(), profile_->writes.end(),
                      [](const MemoryProfile::Write& w) { return w.key == "Width"; });
    std::printf("resize storm: %lld writes of Width in %lld ms\n",
                static_cast<long long>(widthWrites), static_cast<long long>(out.elapsedMs));
    // The start, one per tick, and the close.
    QVERIFY2(widthWrites <= out.elapsedMs / 1000 + 3,
             qPrintable(QStringLiteral("%1 writes in %2 ms").arg(widthWrites).arg(out.elapsedMs)));
    QCOMPARE(profile_->Value("Screen", "Width"), std::to_string(out.width));
    QCOMPARE(profile_->Value("Screen", "Height"), std::to_string(out.height));
    QCOMPARE(out.Count(kRefusal), 1);
  }

  // A host that asks and asks but reads none of the answers: once about a
  // megabyte waits to be sent the client stops reading (TCP then holds the
  // host back) instead of the queue growing; every answer arrives once it reads.
  void requestsWhoseAnswersTheHostDoesNotRead() {
    const Outcome out = Play({.name = "unread_requests"});
    CheckCommon(out);
    if (QTest::currentTestFailed()) return;
    const qint64 peak = frame_->connection().PeakQueuedBytes();
    std::printf("unread requests: at most %lld bytes waited to be sent\n",
                static_cast<long long>(peak));
    QVERIFY2(peak < (1 << 20) + 64 * 1024, qPrintable(QString::number(peak)));
    const int expected = ReadAll(dir_.filePath("sent.bin.expected-replies")).toInt();
    QVERIFY(expected > 100000);
    const QByteArray replies =
        Bytes({255, 250, 24, 0}) + "vt100" + Bytes({255, 240}) + Bytes({255, 251, 24});
    QByteArray all = Bytes({255, 251, 31});
    for (int i = 0; i < expected; ++i) all += replies;
    QCOMPARE(out.received.size(), all.size());
    QVERIFY2(out.received == all, "the answers differ from one pair per request");
  }

  // What arrives while the refusal warning is open is all read once the box
  // is answered, without the host having to send anything more.
  void dataArrivingBehindTheWarningIsShownWithoutMoreFromTheHost() {
    const Outcome out =
        Play({.name = "modal_quiet", .options = {{"WinSizeWarning", "1"}}, .realBoxes = true});
    CheckCommon(out);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(out.Count(kRefusal), 1);
  }

  // A host that closes while the refusal warning is open loses nothing: what
  // it sent before closing is shown and logged, then the close is reported.
  void hostClosingBehindTheWarningLosesNothing() {
    const Outcome out =
        Play({.name = "modal_close", .options = {{"WinSizeWarning", "1"}}, .realBoxes = true});
    CheckCommon(out);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(out.Count(kRefusal), 1);
    QCOMPARE(out.Count(kClosed), 1);
  }
};

QTEST_MAIN(HostileHostTest)
#include "HostileHostTest.moc"
