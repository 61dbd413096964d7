// The About box from the Help menu of the running application keeps the main
// window from taking input while it is up. Its texts are in
// tests/data/golden/about.txt.
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "../support/SessionTestAccess.h"
#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "app/TerminalApp.h"
#include "dialogs/AboutDialog.h"
#include "frame/CommandIds.h"
#include "terminal/TelnetSession.h"
#include "view/TerminalView.h"

namespace {

FrameHooks QuietHooks() {
  FrameHooks hooks;
  hooks.messageBox = [](const std::string&, MessageKind kind) {
    return kind == MessageKind::Question ? MessageAnswer::Yes : MessageAnswer::Ok;
  };
  hooks.quit = [] {};
  return hooks;
}

// Triggers Help > About; `script` acts on the box while it runs modally.
// False when no About box came up.
bool WithAboutBox(CTerminalApp& app, const std::function<void(CAboutDlg&)>& script) {
  bool ran = false;
  QTimer::singleShot(0, app.MainFrame(), [&] {
    auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
    if (!box) return;
    ran = true;
    script(*box);
    if (box->isVisible()) box->reject();
  });
  app.MainFrame()->Action(cmd::ID_APP_ABOUT)->trigger();
  return ran;
}

// A drag on the terminal area delivered the way the window system delivers it,
// so a modal box in front blocks it as it would a user.
void DragOnTerminal(CMainFrame& frame, QPoint from, QPoint to) {
  QWindow* window = frame.windowHandle();
  const QPoint offset = frame.View()->mapTo(&frame, QPoint(0, 0));
  QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, from + offset);
  QTest::mouseMove(window, to + offset);
  QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, to + offset);
}

}  // namespace

class AboutTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  void initTestCase() {
    InstallQuietMessageHandler();
    QVERIFY(dir_.isValid());
    qputenv("CORVANE_PROFILE", dir_.filePath(QStringLiteral("corvane.ini")).toLocal8Bit());
  }

  void theMainWindowTakesNoInputWhileTheBoxIsUp_data() {
    QTest::addColumn<int>("closeBy");
    QTest::newRow("OK") << 0;
    QTest::newRow("Enter") << 1;
    QTest::newRow("Esc") << 2;
  }
  void theMainWindowTakesNoInputWhileTheBoxIsUp() {
    QFETCH(int, closeBy);
    CTerminalApp app(CommandLine{}, QuietHooks());
    QVERIFY(app.InitInstance());
    CMainFrame& frame = *app.MainFrame();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    CTelnetSession& session = *frame.Session();
    QVERIFY(WithAboutBox(app, [&](CAboutDlg& box) {
      QVERIFY(QTest::qWaitForWindowExposed(&box));
      // A drag on the terminal area behind the box selects nothing.
      const QPoint from(2, 2), to(5 * Peek(session).m_nCharWidth, 2 * Peek(session).m_nCharHeight);
      DragOnTerminal(frame, from, to);
      QVERIFY(!session.HasSelection());
      switch (closeBy) {
        case 0:
          QTest::mouseClick(box.OkButton(), Qt::LeftButton);
          break;
        case 1:
          QTest::keyClick(&box, Qt::Key_Return);
          break;
        default:
          QTest::keyClick(&box, Qt::Key_Escape);
          break;
      }
      QVERIFY(!box.isVisible());
    }));
    QVERIFY(!QApplication::activeModalWidget());
    // Afterwards the terminal area takes the same drag.
    DragOnTerminal(frame, QPoint(2, 2),
                   QPoint(5 * Peek(session).m_nCharWidth, 2 * Peek(session).m_nCharHeight));
    QVERIFY(session.HasSelection());
  }
};

QTEST_MAIN(AboutTest)
#include "AboutTest.moc"
