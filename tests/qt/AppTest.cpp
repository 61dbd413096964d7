// Start-up: the network layer check, the order of start-up, and the command
// line of the real program.
#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "app/TerminalApp.h"
#include "terminal/TelnetSession.h"

class AppTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString profilePath_;
  ScriptedAnswers boxes_;

  FrameHooks Hooks() {
    FrameHooks hooks;
    hooks.messageBox = boxes_.Hook();
    hooks.quit = [] {};
    return hooks;
  }

  // Runs the real program; returns its exit code (-1 when it did not end).
  int Run(const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr,
          int ms = 10000) {
    QProcess process;
    process.start(QStringLiteral(CORVANE_EXECUTABLE), args);
    if (!process.waitForFinished(ms)) {
      process.kill();
      process.waitForFinished();
      return -1;
    }
    if (out) *out = process.readAllStandardOutput();
    if (err) *err = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

 private slots:
  void initTestCase() {
    InstallQuietMessageHandler();
    QVERIFY(dir_.isValid());
    profilePath_ = dir_.filePath(QStringLiteral("corvane.ini"));
    qputenv("CORVANE_PROFILE", profilePath_.toLocal8Bit());
  }
  void init() {
    boxes_.messages.clear();
    QFile::remove(profilePath_);
    qunsetenv(kSimulateNetworkFailureVariable);
  }

  void networkFailureShowsOnlyTheMessageAndReadsNoSetting() {
    qputenv(kSimulateNetworkFailureVariable, "1");
    CTerminalApp app(CommandLine{}, Hooks());
    QVERIFY(!app.InitInstance());
    QCOMPARE(boxes_.messages.size(), std::size_t{1});
    QCOMPARE(boxes_.messages[0].text, std::string("Windows sockets initialization failed."));
    QCOMPARE(boxes_.messages[0].kind, MessageKind::Stop);
    QVERIFY(!app.MainFrame());
    QVERIFY(!app.profile());
    QVERIFY(!QFileInfo::exists(profilePath_));
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
  }

  void startUpBuildsTheFrameOnTheProfileAndShowsIt() {
    QVERIFY(NetworkLayerAvailable());
    CTerminalApp app(CommandLine{}, Hooks());
    QVERIFY(app.InitInstance());
    QVERIFY(app.MainFrame());
    QVERIFY(app.MainFrame()->isVisible());
    QCOMPARE(app.MainFrame()->windowTitle(), QStringLiteral("Corvane"));
    // The session's start writes its size back: the profile named by
    // CORVANE_PROFILE is the one in use.
    QVERIFY(QFileInfo::exists(profilePath_));
    QVERIFY(boxes_.messages.empty());
  }

  void commandLineHostIsConnectedBeforeTheWindowShows() {
    LoopbackHost host;
    CommandLine line;
    line.host = "127.0.0.1";
    line.port = host.Port();
    CTerminalApp app(line, Hooks());
    QVERIFY(app.InitInstance());
    QVERIFY(app.MainFrame()->Session()->IsConnected());
    QVERIFY(host.WaitForPeer());
  }

  void programOptions() {
    QByteArray out, err;
    QCOMPARE(Run({"--version"}, &out, &err), 0);
    QCOMPARE(out, QByteArray("Corvane Version 2.0\n"));
    QCOMPARE(Run({"--help"}, &out, &err), 0);
    QVERIFY(out.startsWith("Usage: corvane [HOST [PORT]]\n"));
    QVERIFY(err.isEmpty());
    QCOMPARE(Run({"--frobnicate"}, &out, &err), 2);
    QVERIFY(out.isEmpty());
    QCOMPARE(err.count('\n'), 1);
    QVERIFY(err.contains("--frobnicate"));
    QCOMPARE(Run({QString(1000, QLatin1Char('h'))}, &out, &err), 2);
    QVERIFY(err.contains("999"));
    QVERIFY(!QFileInfo::exists(profilePath_));  // none of these touched the settings
  }
};

QTEST_MAIN(AppTest)
#include "AppTest.moc"
