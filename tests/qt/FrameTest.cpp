// The main window without a connection (its menu texts are in
// tests/data/golden/menu-bar.txt): recent hosts, accelerators, status bar,
// option toggles, closing and the window position, geometry and painting.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

#include "../support/SessionTestAccess.h"
#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "frame/CommandIds.h"
#include "frame/FindBar.h"
#include "terminal/TelnetSession.h"
#include "view/PanArea.h"
#include "view/TerminalView.h"

namespace {

// "text\tshortcut" of a menu item as the user sees it; "-" for a separator.
QStringList MenuLines(QMenu* menu) {
  QStringList lines;
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) {
      lines << QStringLiteral("-");
      continue;
    }
    QString line = a->text();
    if (!a->shortcut().isEmpty())
      line += QLatin1Char('\t') + a->shortcut().toString(QKeySequence::PortableText);
    lines << line + QStringLiteral(" #") + QString::number(a->data().toInt());
  }
  return lines;
}

// Counts the requests to lay a widget out again that reach it.
struct LayoutRequestCounter : QObject {
  explicit LayoutRequestCounter(QWidget& widget) { widget.installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::LayoutRequest) ++count;
    return false;
  }
  int count = 0;
};

class KeyRecordingFrame : public CMainFrame {
 public:
  using CMainFrame::CMainFrame;
  void OnKeyDown(unsigned virtualKey, unsigned, unsigned) override { keys.push_back(virtualKey); }
  std::vector<unsigned> keys;
};

}  // namespace

class FrameTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallQuietMessageHandler(); }

  void recentHostsFillTheConnectionMenuUpToFour() {
    FrameRig rig;
    SeedRecentHosts(
        rig.profile,
        {{"h1", 2001, ""}, {"h2", 2002, ""}, {"h3", 2003, ""}, {"h4", 2004, ""}, {"h5", 2005, ""}});
    CMainFrame& frame = rig.Start();
    const QStringList lines = MenuLines(frame.ConnectionMenu());
    QCOMPARE(lines.mid(3), (QStringList{"E&xit\tAlt+F4 #57665", "-", "&1 h1:2001 #101",
                                        "&2 h2:2002 #102", "&3 h3:2003 #103", "&4 h4:2004 #104"}));
  }

  // The clock pane changes every second and the cursor pane with every
  // echoed key: a new text repaints its pane alone, without laying out the
  // whole bar again on the interface thread.
  void newPaneTextsLeaveTheBarsLayoutAlone() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QCoreApplication::processEvents();
    const QRect clock = frame.Pane(kPaneTime)->geometry();
    LayoutRequestCounter requests(*frame.statusBar());
    frame.SetPaneText(kPaneCursor, "Ln 24, Col 80");
    frame.SetPaneText(kPaneTime, "00:00:42");
    frame.SetPaneText(kPaneSize, "132x43");
    frame.SetPaneText(kPaneLog, "Logging");
    QCoreApplication::processEvents();
    QCOMPARE(requests.count, 0);
    QCOMPARE(frame.Pane(kPaneTime)->geometry(), clock);
  }

  void statusBarHasEightPanesWithTheirTextsAndWidths() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    QCOMPARE(frame.Pane(0)->text(), QStringLiteral("Ready"));
    QCOMPARE(frame.Pane(1)->text(), QStringLiteral("Cursor position:"));
    QCOMPARE(frame.Pane(2)->text(), QStringLiteral("00:00:00"));
    QCOMPARE(frame.Pane(3)->text(), QStringLiteral("80x24"));  // set by the first resize
    QCOMPARE(frame.Pane(4)->text(), QString());                // emptied by the session
    QCOMPARE(frame.Pane(5)->text(), QStringLiteral("CAP"));
    QCOMPARE(frame.Pane(6)->text(), QStringLiteral("NUM"));
    QCOMPARE(frame.Pane(7)->text(), QStringLiteral("SCRL"));
    const int widths[] = {90, 50, 50, 50};
    for (int i = 1; i <= 4; ++i) QVERIFY(frame.Pane(i)->minimumWidth() >= widths[i - 1]);
    // A command prompt over the message area gives way to the next message.
    frame.statusBar()->showMessage(QStringLiteral("Open a new connection"));
    frame.SetPaneText(kPaneMessage, "Ready");
    QCOMPARE(frame.statusBar()->currentMessage(), QString());
  }

  // However long the message or the prompt, the fixed panes show their texts
  // whole in the bar's current font; the message pane gives way.
  void fixedPanesShowTheirTextsWholeBesideALongMessage() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QFont larger = frame.statusBar()->font();
    larger.setPointSizeF(larger.pointSizeF() * 1.5);
    frame.statusBar()->setFont(larger);
    frame.SetPaneText(kPaneCursor, "Ln 24, Col 80");
    frame.SetPaneText(kPaneTime, "00:00:42");
    const std::string notice = "Scroll back mode (Press Pause/Break to return to telnet session)";
    for (const std::string& message : {notice, std::string()}) {
      frame.SetPaneText(kPaneMessage, notice);
      frame.statusBar()->showMessage(QString::fromStdString(message));
      QTest::qWait(20);
      for (int i = 1; i < kStatusPaneCount; ++i)
        QVERIFY2(frame.Pane(i)->width() >= frame.Pane(i)->sizeHint().width(),
                 qPrintable(frame.Pane(i)->text()));
      QVERIFY(frame.Pane(0)->width() <
              frame.Pane(0)->fontMetrics().horizontalAdvance(QString::fromStdString(notice)));
    }
  }

  void startsDisconnectedWithOpenOnlyAndNoMaximiseButton() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    QCOMPARE(frame.windowTitle(), QStringLiteral("Corvane"));
    QVERIFY(frame.Action(cmd::ID_FILE_OPEN)->isEnabled());
    QVERIFY(!frame.Action(cmd::ID_FILE_CLOSE)->isEnabled());
    QVERIFY(!(frame.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(frame.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(rig.messages.empty());
  }

  void togglesFlipWriteAtOnceAndFollowTheCheckMark_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("initial");
    QTest::newRow("auto close") << cmd::ID_OPTIONS_AUTO_CLOSE << "AutoClose" << false;
    QTest::newRow("notify") << cmd::ID_OPTIONS_DISCONNECT_NOTIFY << "DisconnectNotify" << true;
    QTest::newRow("save position")
        << cmd::ID_OPTIONS_SAVE_WINDOW_POSITION << "SaveWinPosition" << true;
    QTest::newRow("size warning") << cmd::ID_OPTIONS_WINDOW_SIZE_WARNING << "WinSizeWarning"
                                  << true;
  }
  void togglesFlipWriteAtOnceAndFollowTheCheckMark() {
    QFETCH(int, id);
    QFETCH(QString, key);
    QFETCH(bool, initial);
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    QAction* action = frame.Action(id);
    frame.UpdateOptionChecks();
    QCOMPARE(action->isChecked(), initial);
    action->trigger();
    QCOMPARE(action->isChecked(), !initial);
    QCOMPARE(QString::fromStdString(rig.profile.Value("Options", key.toStdString())),
             initial ? QStringLiteral("0") : QStringLiteral("1"));
    action->trigger();
    QCOMPARE(action->isChecked(), initial);
    QCOMPARE(QString::fromStdString(rig.profile.Value("Options", key.toStdString())),
             initial ? QStringLiteral("1") : QStringLiteral("0"));
  }

  void anyNonZeroValueReadsOnAndFlipsToZero() {
    FrameRig rig;
    rig.profile.Set("Options", "AutoClose", "7");
    CMainFrame& frame = rig.Start();
    QVERIFY(Peek(*frame.Session()).m_bAutoClose);
    frame.Action(cmd::ID_OPTIONS_AUTO_CLOSE)->trigger();
    QVERIFY(!Peek(*frame.Session()).m_bAutoClose);
    QCOMPARE(rig.profile.Value("Options", "AutoClose"), std::string("0"));
  }

  void closingWhileDisconnectedAsksNothingAndSavesThePosition() {
    FrameRig rig;
    rig.profile.Set("Screen", "WinPosX", "123");
    rig.profile.Set("Screen", "WinPosY", "45");
    CMainFrame& frame = rig.Start();
    QCOMPARE(frame.frameGeometry().topLeft(), QPoint(123, 45));
    frame.show();
    frame.move(200, 150);
    QVERIFY(frame.close());
    QVERIFY(rig.messages.empty());
    QCOMPARE(rig.profile.Value("Screen", "WinPosX"), std::string("200"));
    QCOMPARE(rig.profile.Value("Screen", "WinPosY"), std::string("150"));
  }

  void positionIsIgnoredAndKeptWhenSavingIsOff() {
    FrameRig rig;
    rig.profile.Set("Options", "SaveWinPosition", "0");
    rig.profile.Set("Screen", "WinPosX", "123");
    rig.profile.Set("Screen", "WinPosY", "45");
    CMainFrame& frame = rig.Start();
    QCOMPARE(frame.frameGeometry().topLeft(), QPoint(0, 0));
    frame.show();
    frame.move(300, 200);
    QVERIFY(frame.close());
    QCOMPARE(rig.profile.Value("Screen", "WinPosX"), std::string("123"));
    QCOMPARE(rig.profile.Value("Screen", "WinPosY"), std::string("45"));
  }

  void minimisedCloseLeavesTheSavedPosition() {
    FrameRig rig;
    rig.profile.Set("Screen", "WinPosX", "11");
    rig.profile.Set("Screen", "WinPosY", "22");
    CMainFrame& frame = rig.Start();
    frame.show();
    frame.move(300, 200);
    frame.showMinimized();
    QVERIFY(frame.isMinimized());
    QVERIFY(frame.close());
    QCOMPARE(rig.profile.Value("Screen", "WinPosX"), std::string("11"));
    QCOMPARE(rig.profile.Value("Screen", "WinPosY"), std::string("22"));
  }

  void exitGoesThroughTheCloseHandler() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    frame.show();
    frame.move(40, 30);
    frame.Action(cmd::ID_APP_EXIT)->trigger();
    QVERIFY(!frame.isVisible());
    QCOMPARE(rig.profile.Value("Screen", "WinPosX"), std::string("40"));
  }

  void terminalAreaIsExactlyTheScreenAndFollowsTheUser() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    CTelnetSession& session = *frame.Session();
    const int cw = Peek(session).m_nCharWidth, ch = Peek(session).m_nCharHeight;
    QVERIFY(cw > 0 && ch > 0);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QCOMPARE(frame.View()->size(), QSize(80 * cw, 24 * ch));
    QCOMPARE(session.Screen().Width(), 80);  // showing is not a resize by the user

    // The user drags the window 3 cells wider and 2 cells lower (disconnected:
    // applied at once, and the window snaps to the new screen).
    frame.resize(frame.size() + QSize(3 * cw, 2 * ch));
    QTRY_COMPARE(session.Screen().Width(), 83);  // a window grown by exact cells gains just those
    QCOMPARE(session.Screen().Height(), 26);
    QTRY_COMPARE(frame.View()->size(), QSize(83 * cw, 26 * ch));
    QCOMPARE(rig.profile.Value("Screen", "Width"), std::string("83"));

    // Minimise and restore: no resize.
    frame.showMinimized();
    frame.showNormal();
    QTest::qWait(50);
    QCOMPARE(session.Screen().Width(), 83);
    QCOMPARE(session.Screen().Height(), 26);
  }

  // Ctrl+Shift+F opens the bar (Ctrl+F still goes to the host); typing
  // searches, Enter and F3 step through history and screen, Escape closes;
  // the window grows and shrinks by the bar while the screen keeps its size
  // and the host hears nothing of it.
  void findBarSearchesAsYouTypeStepsAndCloses() {
    FrameRig rig;
    LoopbackHost host;
    CMainFrame& frame = rig.Start("127.0.0.1", host.Port());
    CTelnetSession& session = *frame.Session();
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QVERIFY(host.WaitForPeer());
    QByteArray lines = "needle one\r\n";
    for (int i = 0; i < 40; ++i) lines += "hay " + QByteArray::number(i) + "\r\n";
    host.Send(lines + "Needle two");
    QTRY_COMPARE(session.Screen().LineCount(), std::uint64_t{41});
    const QSize window = frame.size(), area = frame.TerminalArea()->size();

    QTest::keyClick(frame.View(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(host.Take(1), QByteArray("\x06"));
    QTest::keyClick(frame.View(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    FindBar* bar = frame.FindBarWidget();
    QVERIFY(!bar->isHidden());
    QWidget* text = QApplication::focusWidget();
    QVERIFY(text && bar->isAncestorOf(text));
    QTest::keyClicks(text, "needle");
    QTRY_COMPARE(bar->CountText(), QStringLiteral("2 of 2"));
    QCOMPARE(session.ScrollBackPos(), 0);
    QTest::keyClick(text, Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(bar->CountText(), QStringLiteral("1 of 2"));
    QVERIFY(session.ScrollBackPos() > 0);
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(bar->CountText(), QStringLiteral("2 of 2"));
    QCOMPARE(session.ScrollBackPos(), 0);
    QTest::keyClick(bar->findChild<QWidget*>("findMatchCase"), Qt::Key_Space);
    QTRY_COMPARE(bar->CountText(), QStringLiteral("1 of 1"));
    QTRY_COMPARE(frame.size(), window + QSize(0, bar->sizeHint().height()));
    QCOMPARE(frame.TerminalArea()->size(), area);

    // New output is counted while the bar is open.
    host.Send("\r\nneedle three");
    QTRY_COMPARE(bar->CountText(), QStringLiteral("1 of 2"));

    QTest::keyClick(text, Qt::Key_Escape);
    QVERIFY(bar->isHidden());
    QVERIFY(!session.Finding());
    QCOMPARE(QApplication::focusWidget(), frame.View());
    QTRY_COMPARE(frame.size(), window);
    QTest::qWait(50);
    QCOMPARE(session.Screen().Width(), 80);
    QCOMPARE(session.Screen().Height(), 24);
    QCOMPARE(host.Pending(), QByteArray());  // no key and no window size reached the host
  }

  void scrollBarAndWheelMoveTheHistoryView() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    CTelnetSession& session = *frame.Session();
    QScrollBar* bar = frame.ScrollBar();
    const int M = session.ScrollMax();
    QCOMPARE(bar->maximum(), M);
    QCOMPARE(bar->value(), M);  // live view: thumb at the bottom
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(Peek(session).m_nScrollBackPos, 1);
    QCOMPARE(bar->value(), M - 1);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(Peek(session).m_nScrollBackPos, 1 + 24);
    QCOMPARE(bar->value(), M - 25);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(Peek(session).m_nScrollBackPos, 0);
    QCOMPARE(bar->value(), M);

    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const QPoint centre = frame.View()->rect().center();
    QWheelEvent up(centre, frame.View()->mapToGlobal(centre), QPoint(), QPoint(0, 240),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(frame.View(), &up);
    QCOMPARE(Peek(session).m_nScrollBackPos, 1);  // one line per message, whatever the delta
    QTRY_COMPARE(frame.Pane(1)->text(), QStringLiteral("Ln 977-1000"));  // at the repaint
    QWheelEvent down(centre, frame.View()->mapToGlobal(centre), QPoint(), QPoint(0, -60),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(frame.View(), &down);
    QCOMPARE(Peek(session).m_nScrollBackPos, 0);
  }

  void shiftF10ReachesTheKeyHandlerAndNotTheMenu() {
    FrameRig rig;
    KeyRecordingFrame frame(rig.profile, CommandLine{}, rig.Hooks());
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    for (Qt::KeyboardModifiers mods :
         {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ShiftModifier),
          Qt::KeyboardModifiers(Qt::ControlModifier), Qt::ControlModifier | Qt::ShiftModifier})
      QTest::keyClick(frame.View(), Qt::Key_F10, mods);
    QCOMPARE(frame.keys, (std::vector<unsigned>{121, 121, 121, 121}));
    QVERIFY(!QApplication::activePopupWidget());
  }

  void acceleratorsBesideMenuMnemonicsReachTheirActions() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    // Each command runs its own handler: the dialog it opens tells.
    QString opened;
    rig.dialogs = [&opened](QDialog& dialog) {
      opened = QString::fromUtf8(dialog.metaObject()->className());
      return static_cast<int>(QDialog::Rejected);
    };
    struct Row {
      Qt::Key key;
      int id;
      const char* dialog;
    };
    for (const Row& row : {Row{Qt::Key_B, cmd::ID_OPTIONS_BACKGROUND_COLOR, "QColorDialog"},
                           Row{Qt::Key_F, cmd::ID_OPTIONS_FONT, "TerminalFontDialog"},
                           Row{Qt::Key_L, cmd::ID_OPTIONS_LOG, "QFileDialog"},
                           Row{Qt::Key_M, cmd::ID_OPTIONS_MACRO, "CMacroDlg"},
                           Row{Qt::Key_T, cmd::ID_OPTIONS_TERMINAL, "CTerminalPropertiesDlg"}}) {
      QSignalSpy spy(frame.Action(row.id), &QAction::triggered);
      opened.clear();
      QTest::keyClick(frame.View(), row.key, Qt::AltModifier);
      QCOMPARE(spy.count(), 1);
      QCOMPARE(opened, QString::fromUtf8(row.dialog));
    }
    QSignalSpy clear(frame.Action(cmd::ID_EDIT_CLEAR_BUFFER), &QAction::triggered);
    QTest::keyClick(frame.View(), Qt::Key_Delete, Qt::AltModifier);
    QCOMPARE(clear.count(), 1);
  }

  void paintShowsTheScreenThroughTheCodePage() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    CTelnetSession& session = *frame.Session();
    const int cw = Peek(session).m_nCharWidth, ch = Peek(session).m_nCharHeight;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    // Row 0: "Hi" and a CP437 full block; row 1 stays blank.
    Peek(session).m_Text[0].replace(0, 3, "Hi\xDB");
    Peek(session).m_DirtyLines[0] = 1;
    session.DrawNow(true);
    const QImage image = frame.View()->Snapshot();
    QCOMPARE(image.size(), QSize(80 * cw, 24 * ch));
    auto litPixels = [&](QRect cells) {
      int lit = 0;
      for (int y = cells.top() * ch; y < (cells.bottom() + 1) * ch; ++y)
        for (int x = cells.left() * cw; x < (cells.right() + 1) * cw; ++x)
          lit += qGray(image.pixel(x, y)) > 96;
      return lit;
    };
    QVERIFY(litPixels(QRect(0, 0, 2, 1)) > 0);            // "Hi"
    QVERIFY(litPixels(QRect(2, 0, 1, 1)) > cw * ch / 2);  // the block fills most of its cell
    QCOMPARE(litPixels(QRect(0, 1, 80, 1)), 0);           // blank row, background black
    QCOMPARE(litPixels(QRect(5, 0, 70, 1)), 0);
  }
};

QTEST_MAIN(FrameTest)
#include "FrameTest.moc"
