// The terminal area's size and the scroll-back view as the user sees them:
// resizing the window reshapes the screen (or, refused, leaves the window as
// the user made it), and the scroll bar and the wheel page through the
// history, which is drawn with its status texts.
#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "../support/SessionTestAccess.h"
#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "terminal/TelnetSession.h"
#include "view/PanArea.h"
#include "view/TerminalView.h"

namespace {
constexpr const char* kScrollBackText =
    "Scroll back mode (Press Pause/Break to return to telnet session)";

// Types lines into the session as a host would send them.
void AddLines(CTelnetSession& session, int count) {
  for (int i = 0; i < count; ++i) {
    for (char c : "history line " + std::to_string(i))
      session.PutChar(static_cast<unsigned char>(c));
    session.PutChar('\r');  // a new line, as local echo of Enter does
  }
}

void Wheel(TerminalView* view, int delta) {
  const QPointF centre = QRectF(view->rect()).center();
  QWheelEvent event(centre, view->mapToGlobal(centre), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view, &event);
}

QImage Band(const QImage& image, int row, int rowHeight) {
  return image.copy(0, row * rowHeight, image.width(), rowHeight);
}
}  // namespace

class ViewGeometryTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallQuietMessageHandler(); }

  void resizingByTheUserReshapesTheScreen_data() {
    QTest::addColumn<QSizeF>("change");  // in cells
    QTest::addColumn<QSize>("screen");
    QTest::newRow("half a cell narrower and lower") << QSizeF(-0.5, -0.5) << QSize(79, 23);
    QTest::newRow("two and a half cells wider") << QSizeF(2.5, 0) << QSize(83, 24);
    QTest::newRow("exactly two cells lower") << QSizeF(0, 2) << QSize(80, 26);
    QTest::newRow("ten cells smaller") << QSizeF(-10, -10) << QSize(70, 14);
  }
  void resizingByTheUserReshapesTheScreen() {
    QFETCH(QSizeF, change);
    QFETCH(QSize, screen);
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    CTelnetSession& session = *frame.Session();
    const int cw = Peek(session).m_nCharWidth, ch = Peek(session).m_nCharHeight;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const QSize delta(qRound(change.width() * cw), qRound(change.height() * ch));
    frame.resize(frame.size() + delta);
    QTRY_COMPARE(QSize(session.Screen().Width(), session.Screen().Height()), screen);
    // The window snaps to the new screen, which is drawn in full.
    QTRY_COMPARE(frame.View()->size(), QSize(screen.width() * cw, screen.height() * ch));
    QCOMPARE(frame.View()->Snapshot().size(), frame.View()->size());
    QCOMPARE(frame.Pane(3)->text(),
             QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height()));
    QCOMPARE(frame.ScrollBar()->maximum(), 1000 - screen.height() + 1);
  }

  void aRefusedResizeLeavesTheWindowAsTheUserMadeIt() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    CTelnetSession& session = *frame.Session();
    const int cw = Peek(session).m_nCharWidth;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    Peek(session).m_bNawsActive = false;  // the host has not agreed to size changes
    frame.resize(frame.size() + QSize(5 * cw, 0));
    QTRY_COMPARE(frame.View()->width(), 85 * cw);
    QTest::qWait(400);  // past the fit that follows a user's resizing
    QCOMPARE(session.Screen().Width(), 80);
    QCOMPARE(frame.View()->width(), 85 * cw);
  }

  // A window narrower than the screen (the host has not agreed to a new size)
  // shows a horizontal bar; panning moves the view under the terminal area
  // without a new size, and the mouse and the input method's cursor follow.
  void aScreenWiderThanTheWindowIsPannedNotResized() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    CTelnetSession& session = *frame.Session();
    const int cw = Peek(session).m_nCharWidth, ch = Peek(session).m_nCharHeight;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    PanArea* area = frame.TerminalArea();
    QVERIFY(area->PanBar()->isHidden());
    Peek(session).m_bNawsActive = false;
    frame.resize(frame.size() - QSize(30 * cw, 0));
    QTRY_VERIFY(area->PanBar()->isVisible());
    QTest::qWait(400);  // past the fit that follows a user's resizing
    QCOMPARE(session.Screen().Width(), 80);
    const QSize areaSize = area->size();
    const QSize wanted(Peek(session).m_nWantedWidth, Peek(session).m_nWantedHeight);
    QScrollBar* bar = area->PanBar();
    QCOMPARE(bar->maximum(), 80 * cw - areaSize.width());
    bar->setValue(bar->maximum());
    QTest::qWait(100);
    QCOMPARE(area->size(), areaSize);  // a pan is no resize
    QCOMPARE(QSize(Peek(session).m_nWantedWidth, Peek(session).m_nWantedHeight), wanted);
    const int pan = bar->maximum();
    QCOMPARE(frame.View()->Pan(), pan);
    QCOMPARE(frame.View()->Snapshot().size(), frame.View()->size());  // no wider image
    // A drag from the view's left edge starts at the column shown there.
    const QPoint left(1, ch / 2);
    QTest::mousePress(frame.View(), Qt::LeftButton, Qt::NoModifier, left);
    QTest::mouseMove(frame.View(), left + QPoint(2 * cw, 0));
    QTest::mouseRelease(frame.View(), Qt::LeftButton, Qt::NoModifier, left + QPoint(2 * cw, 0));
    QCOMPARE(Peek(session).m_nSelStartCol, (pan + 1) / cw);
    // The cursor in the last column is where the input method sees it: in
    // view; so is a pending wrap, and a column tabs took far past the edge.
    auto* view = static_cast<QWidget*>(frame.View());
    for (const int column : {79, 80, 120}) {
      Peek(session).m_nCursorCol = column;
      const QRect cursor = view->inputMethodQuery(Qt::ImCursorRectangle).toRect();
      QCOMPARE(cursor.left(), 79 * cw - pan);
      QVERIFY(view->rect().contains(cursor));
    }
  }

  // The history view at offset 1 shows the last 24 lines appended; the live
  // screen shows those after the first, so its rows are the view's moved up one.
  void theHistoryViewIsDrawnWithItsStatusTexts() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    CTelnetSession& session = *frame.Session();
    const int ch = Peek(session).m_nCharHeight;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    AddLines(session, 40);
    session.DrawNow(true);
    const QImage live = frame.View()->Snapshot();

    Wheel(frame.View(), 120);
    QCOMPARE(Peek(session).m_nScrollBackPos, 1);
    QCOMPARE(frame.ScrollBar()->value(), session.ScrollMax() - 1);
    const QImage history = frame.View()->Snapshot();
    QTRY_COMPARE(frame.Pane(0)->text(), QString::fromLatin1(kScrollBackText));
    QTRY_COMPARE(frame.Pane(1)->text(), QStringLiteral("Ln 977-1000"));
    for (int row = 0; row < 23; ++row) QCOMPARE(Band(history, row + 1, ch), Band(live, row, ch));
    QVERIFY(Band(history, 1, ch) != Band(history, 2, ch));  // real text, not blank rows

    // Back to the live screen: every live row drawn again, with the cursor.
    frame.OnVScroll(ScrollCode::Bottom, 0);
    QCOMPARE(Peek(session).m_nScrollBackPos, 0);
    QCOMPARE(frame.View()->Snapshot(), live);
    QTRY_COMPARE(frame.Pane(0)->text(), QStringLiteral("Ready"));
    QTRY_COMPARE(frame.Pane(1)->text(), QStringLiteral("Ln 24, Col 1"));
  }

  void theScrollBarThumbMovesTheView() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    CTelnetSession& session = *frame.Session();
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QScrollBar* bar = frame.ScrollBar();
    const int M = session.ScrollMax();
    // Dragging the thumb: the view follows at once.
    bar->setSliderDown(true);
    bar->setSliderPosition(M - 5);
    QCOMPARE(Peek(session).m_nScrollBackPos, 5);
    bar->setSliderDown(false);
    QCOMPARE(Peek(session).m_nScrollBackPos, 5);
    QCOMPARE(bar->value(), M - 5);
    frame.View()->Snapshot();
    QTRY_COMPARE(frame.Pane(1)->text(), QStringLiteral("Ln 973-996"));
    // The thumb at the top shows the oldest entries.
    bar->setSliderDown(true);
    bar->setSliderPosition(0);
    bar->setSliderDown(false);
    QCOMPARE(Peek(session).m_nScrollBackPos, M);
    frame.View()->Snapshot();
    QTRY_COMPARE(frame.Pane(1)->text(), QStringLiteral("Ln 1-24"));
  }
};

QTEST_MAIN(ViewGeometryTest)
#include "ViewGeometryTest.moc"
