// Connecting through the Open Connection dialog and the recent-host menu
// items, against loopback hosts: the title, the move to the front of the
// list, the profile writes and the rebuilt Connection menu.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <functional>

#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "dialogs/OpenConnectionDialog.h"
#include "frame/CommandIds.h"
#include "terminal/TelnetSession.h"

namespace {

constexpr const char* kSection = "Recent Host List";

// The Connection menu from "Exit" on: "-" for a separator, else "text #id".
QStringList MenuTail(CMainFrame& frame) {
  QStringList lines;
  const QList<QAction*> actions = frame.ConnectionMenu()->actions();
  for (qsizetype i = 3; i < actions.size(); ++i) {
    QAction* a = actions[i];
    lines << (a->isSeparator()
                  ? QStringLiteral("-")
                  : a->text() + QStringLiteral(" #") + QString::number(a->data().toInt()));
  }
  return lines;
}

QString Exit() { return QStringLiteral("E&xit #57665"); }

QString Item(int number, const QString& host, unsigned port) {
  return QStringLiteral("&%1 %2:%3 #%4").arg(number).arg(host).arg(port).arg(100 + number);
}

// Keys written to the recent-host section, in order (the frame writes other
// settings of its own at start).
std::vector<std::string> WrittenKeys(const MemoryProfile& profile) {
  std::vector<std::string> keys;
  for (const auto& w : profile.writes)
    if (w.section == kSection) keys.push_back(w.key);
  return keys;
}

// A loopback port with nothing listening on it.
unsigned ClosedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  const unsigned port = probe.serverPort();
  probe.close();
  return port;
}

// Runs the Open command; its dialog is shown to `script`, which acts on it
// as a user would. A dialog the script leaves open is cancelled. False when
// no dialog came up.
bool DriveOpenDialog(FrameRig& rig, const std::function<void(COpenConnectionDlg&)>& script) {
  bool ran = false;
  rig.dialogs = [&](QDialog& dialog) {
    auto* open = qobject_cast<COpenConnectionDlg*>(&dialog);
    if (!open) return static_cast<int>(QDialog::Rejected);
    ran = true;
    dialog.show();
    dialog.activateWindow();
    (void)QTest::qWaitForWindowActive(&dialog);
    script(*open);
    if (dialog.isVisible()) dialog.reject();
    return dialog.result();
  };
  rig.frame->Action(cmd::ID_FILE_OPEN)->trigger();
  rig.dialogs = nullptr;
  return ran;
}

void Choose(COpenConnectionDlg& d, int line) { d.HistoryList()->setCurrentRow(line); }

}  // namespace

class OpenConnectionFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallQuietMessageHandler(); }

  void typedHostConnectsAndBecomesTheFirstEntry() {
    LoopbackHost host;
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    QCOMPARE(MenuTail(frame), QStringList{Exit()});
    QVERIFY(DriveOpenDialog(rig, [&](COpenConnectionDlg& d) {
      QTest::keyClicks(d.HostEdit(), "127.0.0.1");
      d.PortEdit()->setText(QString::number(host.Port()));
      QTest::keyClicks(d.DescriptionEdit(), "Loop & back");
      QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    }));
    QVERIFY(frame.Session()->IsConnected());
    QVERIFY(host.WaitForPeer());
    QCOMPARE(frame.windowTitle(),
             QStringLiteral("Loop & back (127.0.0.1:%1) - Corvane").arg(host.Port()));
    QCOMPARE(WrittenKeys(rig.profile), (std::vector<std::string>{"Host1", "Port1", "Desc1"}));
    QCOMPARE(rig.profile.Value(kSection, "Desc1"), std::string("Loop & back"));
    // The description stays out of the menu.
    QCOMPARE(MenuTail(frame), (QStringList{Exit(), "-", Item(1, "127.0.0.1", host.Port())}));
    QVERIFY(rig.messages.empty());
    // While connected the Open command is off.
    frame.UpdateConnectionCommands();
    QVERIFY(!frame.Action(cmd::ID_FILE_OPEN)->isEnabled());
  }

  void choosingTheFifthEntryMovesItToTheFront() {
    LoopbackHost host;
    FrameRig rig;
    std::vector<RecentHost> entries;
    for (int i = 0; i < 10; ++i)
      entries.push_back({"h" + std::to_string(i), 2000u + static_cast<unsigned>(i), ""});
    entries[4] = {"127.0.0.1", host.Port(), "loop"};
    SeedRecentHosts(rig.profile, entries);
    CMainFrame& frame = rig.Start();
    QVERIFY(DriveOpenDialog(rig, [&](COpenConnectionDlg& d) {
      Choose(d, 4);
      QCOMPARE(d.HostEdit()->text(), QStringLiteral("127.0.0.1"));
      QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    }));
    QVERIFY(host.WaitForPeer());
    QCOMPARE(frame.windowTitle(), QStringLiteral("loop (127.0.0.1:%1) - Corvane").arg(host.Port()));
    // Slots 0 .. 4 changed and were written; 5 .. 9 kept their places.
    QCOMPARE(WrittenKeys(rig.profile),
             (std::vector<std::string>{"Host1", "Port1", "Desc1", "Host2", "Port2", "Desc2",
                                       "Host3", "Port3", "Desc3", "Host4", "Port4", "Desc4",
                                       "Host5", "Port5", "Desc5"}));
    QCOMPARE(rig.profile.Value(kSection, "Host1"), std::string("127.0.0.1"));
    QCOMPARE(rig.profile.Value(kSection, "Host5"), std::string("h3"));
    QCOMPARE(rig.profile.Value(kSection, "Host6"), std::string("h5"));
    // Only the first four, numbered from 1, each with host and port.
    QCOMPARE(MenuTail(frame),
             (QStringList{Exit(), "-", Item(1, "127.0.0.1", host.Port()), Item(2, "h0", 2000),
                          Item(3, "h1", 2001), Item(4, "h2", 2002)}));
  }

  void aDescriptionHoldingTheModifiedMarkShowsItInTheTitle() {
    LoopbackHost host;
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    frame.show();
    frame.ConnectAndRemember("127.0.0.1", host.Port(), "draft [*] box");
    QVERIFY(host.WaitForPeer());
    QVERIFY(frame.windowHandle());
    QCOMPARE(frame.windowHandle()->title(),  // what the window system shows
             QStringLiteral("draft [*] box (127.0.0.1:%1) - Corvane").arg(host.Port()));
  }

  void doubleClickConnectsToThatLine() {
    LoopbackHost host;
    FrameRig rig;
    SeedRecentHosts(rig.profile, {{"elsewhere", 1, ""}, {"127.0.0.1", host.Port(), ""}});
    CMainFrame& frame = rig.Start();
    QVERIFY(DriveOpenDialog(rig, [&](COpenConnectionDlg& d) {
      QListWidget* list = d.HistoryList();
      const QPoint at = list->visualItemRect(list->item(1)).center();
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
      QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }));
    QVERIFY(host.WaitForPeer());
    QCOMPARE(frame.windowTitle(), QStringLiteral("127.0.0.1:%1 - Corvane").arg(host.Port()));
    QCOMPARE(rig.profile.Value(kSection, "Host1"), std::string("127.0.0.1"));
    QCOMPARE(rig.profile.Value(kSection, "Host2"), std::string("elsewhere"));
  }

  void okWithAnEmptyHostClosesWithoutConnecting() {
    FrameRig rig;
    SeedRecentHosts(rig.profile, {{"somewhere", 23, ""}});
    CMainFrame& frame = rig.Start();
    bool closed = false;
    QVERIFY(DriveOpenDialog(rig, [&](COpenConnectionDlg& d) {
      d.HostEdit()->clear();
      QTest::mouseClick(d.OkButton(), Qt::LeftButton);
      closed = !d.isVisible();
    }));
    QVERIFY(closed);
    QVERIFY(!frame.Session()->IsConnected());
    QVERIFY(rig.messages.empty());
    QVERIFY(WrittenKeys(rig.profile).empty());
    QCOMPARE(frame.windowTitle(), QStringLiteral("Corvane"));
  }

  void badPortKeepsTheDialogOpenAndNeverConnects() {
    // A port that would wrap to a listening one must not reach it.
    LoopbackHost host;
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    const QString wrapped = QString::number(65536 + host.Port());
    QVERIFY(DriveOpenDialog(rig, [&](COpenConnectionDlg& d) {
      d.HostEdit()->setText(QStringLiteral("127.0.0.1"));
      d.PortEdit()->setText(wrapped);
      QTest::mouseClick(d.OkButton(), Qt::LeftButton);
      QVERIFY(d.isVisible());
      QTRY_VERIFY(d.PortEdit()->hasFocus());
    }));
    QCOMPARE(rig.CountMessages("Please enter an integer between 0 and 65535."), 1);
    QVERIFY(!frame.Session()->IsConnected());
    QTest::qWait(50);
    QVERIFY(!host.HasPeer());
  }

  void deleteThenCancelStillRebuildsTheMenu() {
    FrameRig rig;
    SeedRecentHosts(rig.profile, {{"first", 1, ""}, {"second", 2, ""}, {"third", 3, "x"}});
    CMainFrame& frame = rig.Start();
    QCOMPARE(MenuTail(frame), (QStringList{Exit(), "-", Item(1, "first", 1), Item(2, "second", 2),
                                           Item(3, "third", 3)}));
    QVERIFY(DriveOpenDialog(rig, [&](COpenConnectionDlg& d) {
      Choose(d, 0);
      d.OnDelete();
    }));
    QCOMPARE(rig.CountMessages("Are you sure?"), 1);
    QCOMPARE(MenuTail(frame),
             (QStringList{Exit(), "-", Item(1, "second", 2), Item(2, "third", 3)}));
    QVERIFY(frame.Action(cmd::ID_RECENT_HOST_2));
    QVERIFY(!frame.Action(cmd::ID_RECENT_HOST_3));
    // Emptied: the menu ends with Exit, no separator.
    QVERIFY(DriveOpenDialog(rig, [&](COpenConnectionDlg& d) {
      while (d.HistoryList()->count() > 0) {
        Choose(d, 0);
        d.OnDelete();
      }
    }));
    QCOMPARE(MenuTail(frame), QStringList{Exit()});
    QVERIFY(!frame.Action(cmd::ID_RECENT_HOST_1));
  }

  void failedConnectLeavesTitleListAndMenu() {
    FrameRig rig;
    const unsigned closed = ClosedPort();
    SeedRecentHosts(rig.profile, {{"first", 1, ""}, {"127.0.0.1", closed, "nobody"}});
    CMainFrame& frame = rig.Start();
    const QStringList menuBefore = MenuTail(frame);
    QVERIFY(DriveOpenDialog(rig, [&](COpenConnectionDlg& d) {
      Choose(d, 1);
      QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    }));
    QCOMPARE(rig.CountMessages("Connection to 127.0.0.1:" + std::to_string(closed) + " failed"), 1);
    QVERIFY(!frame.Session()->IsConnected());
    QCOMPARE(frame.windowTitle(), QStringLiteral("Corvane"));
    QVERIFY(WrittenKeys(rig.profile).empty());
    QCOMPARE(frame.RecentHosts().At(0).host, std::string("first"));
    QCOMPARE(MenuTail(frame), menuBefore);
    // The same through the menu item.
    frame.Action(cmd::ID_RECENT_HOST_2)->trigger();
    QCOMPARE(rig.CountMessages("Connection to 127.0.0.1:" + std::to_string(closed) + " failed"), 2);
    QCOMPARE(frame.windowTitle(), QStringLiteral("Corvane"));
    QVERIFY(WrittenKeys(rig.profile).empty());
    QCOMPARE(MenuTail(frame), menuBefore);
  }

  void storedPortAbove65535IsRefusedByTheConnection() {
    // Only a hand-edited profile can hold one; the menu item must not reach
    // the port it would wrap to.
    LoopbackHost host;
    FrameRig rig;
    const unsigned wrapped = 65536 + host.Port();
    SeedRecentHosts(rig.profile, {{"127.0.0.1", wrapped, ""}});
    CMainFrame& frame = rig.Start();
    frame.Action(cmd::ID_RECENT_HOST_1)->trigger();
    QCOMPARE(rig.CountMessages("Connection to 127.0.0.1:" + std::to_string(wrapped) + " failed"),
             1);
    QVERIFY(!frame.Session()->IsConnected());
    QTest::qWait(50);
    QVERIFY(!host.HasPeer());
  }

  void eachRecentHostItemConnectsToItsSlot_data() {
    QTest::addColumn<int>("slot");
    for (int slot = 0; slot < 4; ++slot) QTest::newRow(QByteArray::number(slot + 1)) << slot;
  }
  void eachRecentHostItemConnectsToItsSlot() {
    QFETCH(int, slot);
    LoopbackHost hosts[4];
    FrameRig rig;
    std::vector<RecentHost> entries;
    for (int i = 0; i < 4; ++i)
      entries.push_back({"127.0.0.1", hosts[i].Port(), "host " + std::to_string(i)});
    entries.push_back({"fifth", 5, ""});  // not in the menu
    SeedRecentHosts(rig.profile, entries);
    CMainFrame& frame = rig.Start();
    QCOMPARE(MenuTail(frame).size(), 6);
    frame.Action(cmd::ID_RECENT_HOST_1 + slot)->trigger();
    QVERIFY(hosts[slot].WaitForPeer());
    for (int i = 0; i < 4; ++i) QCOMPARE(hosts[i].HasPeer(), i == slot);
    QCOMPARE(frame.windowTitle(),
             QStringLiteral("host %1 (127.0.0.1:%2) - Corvane").arg(slot).arg(hosts[slot].Port()));
    QCOMPARE(frame.RecentHosts().At(0), entries[static_cast<std::size_t>(slot)]);
    QCOMPARE(MenuTail(frame)[2], Item(1, "127.0.0.1", hosts[slot].Port()));
    // Slot 0 again: nothing is written.
    if (slot == 0) QVERIFY(WrittenKeys(rig.profile).empty());
  }

  void recentHostItemWhileConnectedClosesTheOldConnectionFirst() {
    LoopbackHost a, b;
    FrameRig rig;
    SeedRecentHosts(rig.profile, {{"127.0.0.1", a.Port(), "A"}, {"127.0.0.1", b.Port(), "B"}});
    CMainFrame& frame = rig.Start();
    frame.Action(cmd::ID_RECENT_HOST_1)->trigger();
    QVERIFY(a.WaitForPeer());
    QCOMPARE(frame.windowTitle(), QStringLiteral("A (127.0.0.1:%1) - Corvane").arg(a.Port()));
    QVERIFY(WrittenKeys(rig.profile).empty());  // already first
    // The items stay enabled while connected.
    QVERIFY(frame.Action(cmd::ID_RECENT_HOST_2)->isEnabled());
    frame.Action(cmd::ID_RECENT_HOST_2)->trigger();
    QVERIFY(b.WaitForPeer());
    QTRY_VERIFY(!a.PeerConnected());
    QVERIFY(frame.Session()->IsConnected());
    QCOMPARE(frame.windowTitle(), QStringLiteral("B (127.0.0.1:%1) - Corvane").arg(b.Port()));
    QCOMPARE(MenuTail(frame), (QStringList{Exit(), "-", Item(1, "127.0.0.1", b.Port()),
                                           Item(2, "127.0.0.1", a.Port())}));
    QCOMPARE(rig.profile.Value(kSection, "Desc1"), std::string("B"));
    QCOMPARE(rig.profile.Value(kSection, "Desc2"), std::string("A"));
    // A close by the host afterwards is the ordinary one: title back to the name.
    b.CloseClient();
    QTRY_VERIFY(!frame.Session()->IsConnected());
    QCOMPARE(frame.windowTitle(), QStringLiteral("Corvane"));
    QCOMPARE(rig.CountMessages("Connection closed"), 1);
  }

  void recentHostItemWhileConnectedThatFailsEndsDisconnected() {
    LoopbackHost a;
    FrameRig rig;
    const unsigned closed = ClosedPort();
    SeedRecentHosts(rig.profile, {{"127.0.0.1", a.Port(), ""}, {"127.0.0.1", closed, ""}});
    CMainFrame& frame = rig.Start();
    frame.Action(cmd::ID_RECENT_HOST_1)->trigger();
    QVERIFY(a.WaitForPeer());
    frame.Action(cmd::ID_RECENT_HOST_2)->trigger();
    QCOMPARE(rig.CountMessages("Connection to 127.0.0.1:" + std::to_string(closed) + " failed"), 1);
    QVERIFY(!frame.Session()->IsConnected());
    QTRY_VERIFY(!a.PeerConnected());
    QCOMPARE(frame.windowTitle(), QStringLiteral("Corvane"));
    QCOMPARE(frame.RecentHosts().At(0).port, a.Port());  // the list did not move
    QVERIFY(WrittenKeys(rig.profile).empty());
  }
};

QTEST_MAIN(OpenConnectionFrameTest)
#include "OpenConnectionFrameTest.moc"
