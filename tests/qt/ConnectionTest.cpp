// Connecting over real loopback sockets: the command line, the window title
// and the time pane, the telnet answers, the host's close, auto close, and
// connections that fail.
#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QTest>

#include "../support/SessionTestAccess.h"
#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "frame/CommandIds.h"
#include "net/QtConnection.h"
#include "terminal/TelnetSession.h"
#include "view/TerminalView.h"

namespace {

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (int v : values) out.append(static_cast<char>(v));
  return out;
}

constexpr int IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr int ECHO = 1, SGA = 3, TTYPE = 24, NAWS = 31;

std::string Row(const CTelnetSession& session, int r) {
  std::string row = Peek(session).m_Text[static_cast<std::size_t>(r)];
  row.erase(row.find_last_not_of(' ') + 1);
  return row;
}

bool IsConnected(CMainFrame& frame) { return frame.Session()->IsConnected(); }

}  // namespace

class ConnectionTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallQuietMessageHandler(); }

  void commandLineConnectsSetsTitleAndCountsTime() {
    LoopbackHost host;
    FrameRig rig;
    CMainFrame& frame = rig.Start("127.0.0.1", host.Port());
    QVERIFY(IsConnected(frame));
    QVERIFY(host.WaitForPeer());
    const QString expectedTitle = QStringLiteral("127.0.0.1:%1 - Corvane").arg(host.Port());
    QCOMPARE(frame.windowTitle(), expectedTitle);
    QVERIFY(!frame.Action(cmd::ID_FILE_OPEN)->isEnabled());
    QVERIFY(frame.Action(cmd::ID_FILE_CLOSE)->isEnabled());
    // Remembered as the newest recent host, and shown in the menu.
    QCOMPARE(rig.profile.Value("Recent Host List", "Host1"), std::string("127.0.0.1"));
    QCOMPARE(rig.profile.Value("Recent Host List", "Port1"), std::to_string(host.Port()));
    QCOMPARE(frame.Action(cmd::ID_RECENT_HOST_1)->text(),
             QStringLiteral("&1 127.0.0.1:%1").arg(host.Port()));
    QCOMPARE(frame.Pane(2)->text(), QStringLiteral("00:00:00"));
    // The real one-second timer shows the elapsed time of the injected clock.
    rig.now += 3600 + 2 * 60 + 3;
    QTRY_COMPARE_WITH_TIMEOUT(frame.Pane(2)->text(), QStringLiteral("01:02:03"), 3000);
    rig.now += 24 * 3600 - 2 * 60 - 3;
    frame.OnTimer();
    QCOMPARE(frame.Pane(2)->text(), QStringLiteral("01:00:00"));
  }

  void telnetNegotiationIsAnsweredByteForByte() {
    LoopbackHost host;
    FrameRig rig;
    CMainFrame& frame = rig.Start("127.0.0.1", host.Port());
    QVERIFY(host.WaitForPeer());
    QCOMPARE(frame.Session()->Screen().Width(), 80);
    QCOMPARE(frame.Session()->Screen().Height(), 24);
    const struct {
      QByteArray from, to;
    } exchanges[] = {
        // The first command of the connection makes the client offer NAWS.
        {Bytes({IAC, DO, TTYPE}), Bytes({IAC, WILL, NAWS, IAC, WILL, TTYPE})},
        {Bytes({IAC, DO, NAWS}), Bytes({IAC, SB, NAWS, 0, 80, 0, 24, IAC, SE, IAC, WILL, NAWS})},
        {Bytes({IAC, SB, TTYPE, 1, IAC, SE}),
         Bytes({IAC, SB, TTYPE, 0}) + "vt100" + Bytes({IAC, SE})},
        {Bytes({IAC, WILL, ECHO}), Bytes({IAC, DO, ECHO})},
        {Bytes({IAC, WILL, SGA}), Bytes({IAC, DONT, SGA})},
        {Bytes({IAC, DO, SGA}), Bytes({IAC, WONT, SGA})},
    };
    for (const auto& exchange : exchanges) {
      host.Send(exchange.from);
      QCOMPARE(host.Take(static_cast<int>(exchange.to.size())).toHex(' '), exchange.to.toHex(' '));
    }
    QTest::qWait(100);
    QCOMPARE(host.Pending().toHex(' '), QByteArray());  // nothing more was sent
  }

  void hostCloseNotifiesAndKeepsTheScreen() {
    LoopbackHost host;
    FrameRig rig;
    CMainFrame& frame = rig.Start("127.0.0.1", host.Port());
    QVERIFY(host.WaitForPeer());
    host.Send("Hello from the host\r\n");
    QTRY_COMPARE(Row(*frame.Session(), 0), std::string("Hello from the host"));
    rig.now += 5;
    frame.OnTimer();
    host.CloseClient();
    QTRY_VERIFY(!IsConnected(frame));
    QCOMPARE(rig.CountMessages("Connection closed"), 1);
    QCOMPARE(rig.messages.back().kind, MessageKind::Information);
    QCOMPARE(frame.windowTitle(), QStringLiteral("Corvane"));
    QCOMPARE(frame.Pane(2)->text(), QStringLiteral("00:00:00"));
    QCOMPARE(Row(*frame.Session(), 0), std::string("Hello from the host"));
    QCOMPARE(rig.quits, 0);
    // The state change alone re-enables Open, so Alt+Home works again.
    QVERIFY(frame.Action(cmd::ID_FILE_OPEN)->isEnabled());
    QVERIFY(!frame.Action(cmd::ID_FILE_CLOSE)->isEnabled());
    QTest::qWait(100);
    QCOMPARE(rig.CountMessages("Connection closed"), 1);  // reported once
  }

  void everythingSentBeforeTheCloseIsShownInReadsOfAtMost4096() {
    LoopbackHost host;
    FrameRig rig;
    rig.profile.Set("Options", "DisconnectNotify", "0");
    CMainFrame& frame = rig.Start("127.0.0.1", host.Port());
    QVERIFY(host.WaitForPeer());
    QByteArray text;
    for (int i = 0; i < 1000; ++i)
      text += QStringLiteral("line %1 ........\r\n").arg(i, 4, 10, QLatin1Char('0')).toLatin1();
    QVERIFY(text.size() > 4 * 4096);
    host.Send(text);
    host.CloseClient();
    QTRY_VERIFY(!IsConnected(frame));
    CTelnetSession& session = *frame.Session();
    QCOMPARE(Peek(session).m_nLineCount, 1000u);
    QCOMPARE(Row(session, 22), std::string("line 0999 ........"));
    QVERIFY(rig.messages.empty());
  }

  void autoCloseEndsTheProgramAfterTheNotice() {
    LoopbackHost host;
    FrameRig rig;
    rig.profile.Set("Options", "AutoClose", "1");
    rig.profile.Set("Screen", "WinPosX", "9");
    CMainFrame& frame = rig.Start("127.0.0.1", host.Port());
    frame.show();
    frame.move(300, 300);
    QVERIFY(host.WaitForPeer());
    host.CloseClient();
    QTRY_COMPARE(rig.quits, 1);
    QCOMPARE(rig.CountMessages("Connection closed"), 1);
    QCOMPARE(rig.profile.Value("Screen", "WinPosX"), std::string("9"));  // no close handler
  }

  void userCloseNeverNotifiesNorQuits() {
    LoopbackHost host;
    FrameRig rig;
    rig.profile.Set("Options", "AutoClose", "1");
    CMainFrame& frame = rig.Start("127.0.0.1", host.Port());
    QVERIFY(host.WaitForPeer());
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QTest::keyClick(frame.View(), Qt::Key_End, Qt::AltModifier);  // Close
    QVERIFY(!IsConnected(frame));
    QTRY_VERIFY(!host.PeerConnected());
    QTest::qWait(100);
    QVERIFY(rig.messages.empty());
    QCOMPARE(rig.quits, 0);
    // Alt+End is now disabled with Close; a second press does nothing.
    QTest::keyClick(frame.View(), Qt::Key_End, Qt::AltModifier);
    QVERIFY(rig.messages.empty());
  }

  void closeQuestionWhileConnected() {
    LoopbackHost host;
    FrameRig rig;
    CMainFrame& frame = rig.Start("127.0.0.1", host.Port());
    QVERIFY(host.WaitForPeer());
    frame.show();
    frame.move(50, 60);
    const std::size_t writes = rig.profile.writes.size();
    rig.answers = {MessageAnswer::No};
    QVERIFY(!frame.close());
    QCOMPARE(rig.CountMessages("Still connected. Are you sure you want to quit?"), 1);
    QCOMPARE(rig.messages.back().kind, MessageKind::Question);
    QVERIFY(frame.isVisible());
    QVERIFY(IsConnected(frame));
    QTest::qWait(50);
    QVERIFY(host.PeerConnected());
    QCOMPARE(rig.profile.writes.size(), writes);  // nothing written
    rig.answers = {MessageAnswer::Yes};
    QVERIFY(frame.close());
    QCOMPARE(rig.CountMessages("Still connected. Are you sure you want to quit?"), 2);
    QCOMPARE(rig.profile.Value("Screen", "WinPosX"), std::string("50"));
    // The connection ends with the frame, not with the close.
    QVERIFY(IsConnected(frame));
    rig.frame.reset();
    QTRY_VERIFY(!host.PeerConnected());
  }

  void failedConnectsSayWhyAndLeaveOpenEnabled_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("refusedPort");
    QTest::newRow("refused port") << "127.0.0.1" << true;
    QTest::newRow("unknown host") << "nohost.invalid" << false;
  }

  void hostNamesAreLookedUpInTheirAceForm_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("lookup");
    QTest::newRow("internationalised") << "b\u00FCcher.example"
                                       << "xn--bcher-kva.example";
    QTest::newRow("upper case folded") << "B\u00DCCHER.example"
                                       << "xn--bcher-kva.example";
    QTest::newRow("ascii name as is") << "Example.ORG"
                                      << "Example.ORG";
    QTest::newRow("zone id as is") << "fe80::1%lo"
                                   << "fe80::1%lo";
    QTest::newRow("address as is") << "127.0.0.1"
                                   << "127.0.0.1";
  }
  void hostNamesAreLookedUpInTheirAceForm() {
    QFETCH(QString, host);
    QFETCH(QString, lookup);
    QCOMPARE(HostForLookup(host), lookup);
  }
  void failedConnectsSayWhyAndLeaveOpenEnabled() {
    QFETCH(QString, host);
    QFETCH(bool, refusedPort);
    unsigned port = 23;
    if (refusedPort) {
      LoopbackHost closed;
      port = closed.Port();
      closed.StopListening();
    }
    FrameRig rig;
    CMainFrame& frame = rig.Start(host.toStdString(), port);
    const std::string expected =
        "Connection to " + host.toStdString() + ":" + std::to_string(port) + " failed";
    QCOMPARE(rig.CountMessages(expected), 1);
    QCOMPARE(rig.messages.back().kind, MessageKind::Stop);
    QVERIFY(!IsConnected(frame));
    QVERIFY(frame.Action(cmd::ID_FILE_OPEN)->isEnabled());
    QVERIFY(!frame.Action(cmd::ID_FILE_CLOSE)->isEnabled());
    QCOMPARE(frame.windowTitle(), QStringLiteral("Corvane"));
    QVERIFY(!rig.profile.Has("Recent Host List", "Host1"));
    QVERIFY(!QGuiApplication::overrideCursor());  // the wait cursor is gone again
  }

  void portsAboveTheRangeFailInsteadOfWrapping() {
    LoopbackHost host;
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    const unsigned wrapped = host.Port() + 65536;
    frame.ConnectAndRemember("127.0.0.1", wrapped, "");
    QCOMPARE(rig.CountMessages("Connection to 127.0.0.1:" + std::to_string(wrapped) + " failed"),
             1);
    QVERIFY(!IsConnected(frame));
    QTest::qWait(100);
    QVERIFY(!host.HasPeer());
  }

  void recentHostItemReconnectsWhileConnected() {
    LoopbackHost first, second;
    FrameRig rig;
    CMainFrame& frame = rig.Start("127.0.0.1", first.Port());
    QVERIFY(first.WaitForPeer());
    frame.ConnectAndRemember("127.0.0.1", second.Port(), "second");
    QVERIFY(second.WaitForPeer());
    QCOMPARE(frame.windowTitle(),
             QStringLiteral("second (127.0.0.1:%1) - Corvane").arg(second.Port()));
    QTRY_VERIFY(!first.PeerConnected());
    // Slot 1 is now the first host again: its menu item goes back to it.
    frame.Action(cmd::ID_RECENT_HOST_2)->trigger();
    QCOMPARE(frame.windowTitle(), QStringLiteral("127.0.0.1:%1 - Corvane").arg(first.Port()));
    QVERIFY(rig.messages.empty());
  }

  void sendWritesEveryByteAndFailsWhenNotConnected() {
    LoopbackHost host;
    QtConnection connection;
    const std::string nothing = "x";
    QVERIFY(!connection.Send(reinterpret_cast<const unsigned char*>(nothing.data()), 1));
    QVERIFY(connection.Create());
    QVERIFY(connection.IsOpen());
    QVERIFY(connection.Connect("127.0.0.1", host.Port()));
    QVERIFY(host.WaitForPeer());
    std::string big(300'000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    QVERIFY(connection.Send(reinterpret_cast<const unsigned char*>(big.data()), big.size()));
    QCOMPARE(host.Take(static_cast<int>(big.size()), 10000),
             QByteArray(big.data(), static_cast<qsizetype>(big.size())));
    connection.Close();
    QVERIFY(!connection.IsOpen());
    QVERIFY(!connection.Send(reinterpret_cast<const unsigned char*>(big.data()), 1));
  }
};

QTEST_MAIN(ConnectionTest)
#include "ConnectionTest.moc"
