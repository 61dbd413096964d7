// Selecting with the mouse on the terminal area, the clipboard commands
// through the real clipboard and the terminal's code page, the right and
// middle buttons, and when Copy and Paste are enabled.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>

#include "../support/SessionTestAccess.h"
#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "frame/CommandIds.h"
#include "terminal/TelnetSession.h"
#include "view/TerminalView.h"

namespace {

constexpr int IAC = 255, DO = 253, TTYPE = 24;

QClipboard& Clipboard() { return *QGuiApplication::clipboard(); }

// The pixel at the middle of a cell of the terminal area.
QPoint CellPoint(const CTelnetSession& session, int col, int row) {
  return {col * Peek(session).m_nCharWidth + Peek(session).m_nCharWidth / 2,
          row * Peek(session).m_nCharHeight + Peek(session).m_nCharHeight / 2};
}

// Writes text at the start of a screen row and draws it.
void PutRow(CTelnetSession& session, int row, const std::string& text) {
  Peek(session).m_Text[static_cast<std::size_t>(row)].replace(0, text.size(), text);
  Peek(session).m_DirtyLines[static_cast<std::size_t>(row)] = 1;
  session.DrawNow(true);
}

void Drag(QWidget* view, QPoint from, QPoint to) {
  QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, from);
  QTest::mouseMove(view, to);
  QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, to);
}

struct Selection {
  int startCol, startRow, endCol, endRow;
  bool operator==(const Selection&) const = default;
};
Selection SelectionOf(const CTelnetSession& s) {
  return {Peek(s).m_nSelStartCol, Peek(s).m_nSelStartRow, Peek(s).m_nSelEndCol,
          Peek(s).m_nSelEndRow};
}

// Whether a blank cell is drawn inverted: its top-left pixel shows the text
// colour instead of the background.
bool DrawnInverted(CMainFrame& frame, int col, int row) {
  const CTelnetSession& s = *frame.Session();
  const QImage image = frame.View()->Snapshot();
  const QRgb pixel = image.pixel(col * Peek(s).m_nCharWidth, row * Peek(s).m_nCharHeight);
  return qGray(pixel) > 96;
}

// Opens the Edit menu as the user would (so its enabling runs) and reads the
// state of Copy and Paste.
std::pair<bool, bool> EditMenuState(CMainFrame& frame) {
  QMenu* edit = frame.menuBar()->actions().at(1)->menu();
  edit->popup(frame.mapToGlobal(QPoint(0, 0)));
  const std::pair<bool, bool> state{frame.Action(cmd::ID_EDIT_COPY)->isEnabled(),
                                    frame.Action(cmd::ID_EDIT_PASTE)->isEnabled()};
  edit->close();
  return state;
}

// A frame connected to a loopback host, shown and active.
struct ConnectedFrame {
  LoopbackHost host;
  FrameRig rig;
  CMainFrame* frame = nullptr;
  bool Start() {
    frame = &rig.Start("127.0.0.1", host.Port());
    frame->show();
    return host.WaitForPeer() && QTest::qWaitForWindowActive(frame);
  }
  CTelnetSession& Session() { return *frame->Session(); }
};

}  // namespace

class SelectionClipboardTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallQuietMessageHandler(); }
  void init() { Clipboard().clear(); }

  void dragSelectsInReadingOrderAndDrawsItInverted() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    CTelnetSession& session = *frame.Session();
    PutRow(session, 1, "abc");
    PutRow(session, 2, "defg");
    QWidget* view = frame.View();

    Clipboard().setText(QStringLiteral("clip"));
    Drag(view, CellPoint(session, 1, 1), CellPoint(session, 2, 2));
    QCOMPARE(SelectionOf(session), (Selection{1, 1, 2, 2}));
    QCOMPARE(session.GetSelectedText(), std::string("bc\r\ndef"));
    // Selecting never touches the clipboard; where the desktop has a primary
    // selection (not offscreen) the text is offered there, for a middle click.
    QCOMPARE(Clipboard().text(), QStringLiteral("clip"));
    if (Clipboard().supportsSelection())
      QCOMPARE(Clipboard().text(QClipboard::Selection), QStringLiteral("bc\r\ndef"));
    QVERIFY(DrawnInverted(frame, 1, 1));
    QVERIFY(DrawnInverted(frame, 79, 1));  // the rest of the start row
    QVERIFY(DrawnInverted(frame, 0, 2));
    QVERIFY(DrawnInverted(frame, 2, 2));
    QVERIFY(!DrawnInverted(frame, 0, 1));
    QVERIFY(!DrawnInverted(frame, 3, 2));
    QVERIFY(!DrawnInverted(frame, 0, 3));

    // Dragging up and to the left exchanges the ends.
    Drag(view, CellPoint(session, 5, 4), CellPoint(session, 2, 1));
    QCOMPARE(SelectionOf(session), (Selection{2, 1, 5, 4}));
    Drag(view, CellPoint(session, 5, 2), CellPoint(session, 3, 2));
    QCOMPARE(SelectionOf(session), (Selection{3, 2, 5, 2}));
    QCOMPARE(session.GetSelectedText(), std::string("g  "));
    QVERIFY(!DrawnInverted(frame, 1, 1));  // the old selection is drawn normally again

    // The selection follows the pointer only while the left button is down.
    QTest::mouseMove(view, CellPoint(session, 10, 10));
    QCOMPARE(SelectionOf(session), (Selection{3, 2, 5, 2}));

    // A click without movement clears it and redraws, and Copy is disabled.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, CellPoint(session, 7, 7));
    QVERIFY(!session.HasSelection());
    QVERIFY(!DrawnInverted(frame, 4, 2));
    QCOMPARE(EditMenuState(frame).first, false);
  }

  void dragBeyondTheTerminalAreaStopsAtTheLastCell() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    CTelnetSession& session = *frame.Session();
    Drag(frame.View(), CellPoint(session, 78, 22), QPoint(100 * Peek(session).m_nCharWidth, -40));
    // The pointer went above the screen and past its right edge.
    QCOMPARE(SelectionOf(session), (Selection{79, 0, 78, 22}));
  }

  void copyPutsTheSelectionOnTheClipboardThroughTheCodePageAndClearsIt() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    CTelnetSession& session = *frame.Session();
    // CP437: 0xC4 a horizontal line, 0xDB a full block, 0x82 e acute.
    PutRow(session, 0, "A\xC4\xDB\x82");
    PutRow(session, 1, "next");
    Clipboard().setText(QStringLiteral("old"));
    Drag(frame.View(), CellPoint(session, 0, 0), CellPoint(session, 1, 1));
    QCOMPARE(EditMenuState(frame).first, true);
    QTest::keyClick(frame.View(), Qt::Key_Insert, Qt::ControlModifier);  // Copy
    QCOMPARE(Clipboard().text(), QStringLiteral("A\u2500\u2588\u00E9\r\nne"));
    QVERIFY(!session.HasSelection());
    QVERIFY(!DrawnInverted(frame, 5, 0));

    // With nothing selected, Ctrl+Ins leaves the clipboard alone.
    Clipboard().setText(QStringLiteral("kept"));
    QTest::keyClick(frame.View(), Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(Clipboard().text(), QStringLiteral("kept"));
  }

  void copyBufferTakesTheHistoryAndNothingWhenItIsEmpty() {
    ConnectedFrame c;
    QVERIFY(c.Start());
    Clipboard().setText(QStringLiteral("before"));
    c.frame->Action(cmd::ID_EDIT_COPY_BUFFER)->trigger();
    QCOMPARE(Clipboard().text(), QStringLiteral("before"));  // empty history: untouched
    c.host.Send("one\r\n\xB0two  \r\nthree");
    QTRY_COMPARE(Peek(c.Session()).m_nLineCount, 2u);
    QTest::keyClick(c.frame->View(), Qt::Key_Insert, Qt::AltModifier);  // Copy Buffer
    QCOMPARE(Clipboard().text(), QStringLiteral("one\r\n\u2591two"));
  }

  void pasteSendsExactlyTheClipboardBytes() {
    ConnectedFrame c;
    QVERIFY(c.Start());
    // Line ends stay as they are; CP437 bytes for what it can show, '?' for the
    // rest, also for the glyphs 437 shows for control bytes (never a control);
    // byte 255 (a no-break space) doubled, as telnet data must be.
    Clipboard().setText(
        QStringLiteral("ls -l\r\n\u00E9\u2500\u20AC\tx\u00A0\na\u2190b\u2192c\u2022d\u2665e\r\n"));
    QTest::keyClick(c.frame->View(), Qt::Key_Insert, Qt::ShiftModifier);  // Paste
    const QByteArray expected("ls -l\r\n\x82\xC4?\tx\xFF\xFF\na?b?c?d?e\r\n");
    QCOMPARE(c.host.Take(static_cast<int>(expected.size())).toHex(' '), expected.toHex(' '));
    QTest::qWait(100);
    QCOMPARE(c.host.Pending(), QByteArray());
    QCOMPARE(Peek(c.Session()).m_Text[0], std::string(80, ' '));  // nothing echoed

    // Copy then paste gives back the screen's own bytes.
    PutRow(c.Session(), 3, "\xC9\xCD\xBB ok");
    Drag(c.frame->View(), CellPoint(c.Session(), 0, 3), CellPoint(c.Session(), 5, 3));
    QTest::keyClick(c.frame->View(), Qt::Key_Insert, Qt::ControlModifier);  // Copy
    QTest::keyClick(c.frame->View(), Qt::Key_Insert, Qt::ShiftModifier);    // Paste
    QCOMPARE(c.host.Take(6), QByteArray("\xC9\xCD\xBB ok"));
  }

  void rightButtonCopiesOrPastes() {
    ConnectedFrame c;
    QVERIFY(c.Start());
    CTelnetSession& session = c.Session();
    QWidget* view = c.frame->View();
    PutRow(session, 0, "right");
    Clipboard().setText(QStringLiteral("pasted"));

    // With a selection: copied and cleared, nothing sent.
    Drag(view, CellPoint(session, 0, 0), CellPoint(session, 4, 0));
    QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier, CellPoint(session, 9, 9));
    QCOMPARE(Clipboard().text(), QStringLiteral("right"));
    QVERIFY(!session.HasSelection());
    QTest::qWait(50);
    QCOMPARE(c.host.Pending(), QByteArray());

    // Without one, in the live view: the clipboard goes to the host.
    QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier, CellPoint(session, 9, 9));
    QCOMPARE(c.host.Take(5), QByteArray("right"));

    // Without one, in the history view: nothing happens.
    c.host.Send(QByteArray(30, '\n'));
    QTRY_VERIFY(Peek(session).m_nLineCount >= 30u);
    c.frame->OnVScroll(ScrollCode::PageUp, 0);
    QVERIFY(Peek(session).m_nScrollBackPos > 0);
    QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier, CellPoint(session, 9, 9));
    QTest::qWait(100);
    QCOMPARE(c.host.Pending(), QByteArray());
    QCOMPARE(Clipboard().text(), QStringLiteral("right"));
  }

  void middleButtonSendsTheSelectionAndKeepsIt() {
    ConnectedFrame c;
    QVERIFY(c.Start());
    CTelnetSession& session = c.Session();
    QWidget* view = c.frame->View();
    PutRow(session, 0, "top line   ");
    PutRow(session, 1,
           "s\xFF"
           "cond");
    QTest::mouseClick(view, Qt::MiddleButton, Qt::NoModifier, CellPoint(session, 1, 1));
    QTest::qWait(50);
    QCOMPARE(c.host.Pending(), QByteArray());  // nothing selected: nothing sent

    Drag(view, CellPoint(session, 4, 0), CellPoint(session, 2, 1));
    QTest::mouseClick(view, Qt::MiddleButton, Qt::NoModifier, CellPoint(session, 30, 5));
    QCOMPARE(c.host.Take(10).toHex(' '), QByteArray("line\r\ns\xFF\xFF"
                                                    "c")
                                             .toHex(' '));
    QCOMPARE(SelectionOf(session), (Selection{4, 0, 2, 1}));
  }

  // Copy: exactly when there is selected text. Paste: exactly when the live
  // view is shown, the clipboard holds text and a connection is open. The
  // shortcuts follow the same state as the menu.
  void editCommandsEnabling() {
    ConnectedFrame c;
    QVERIFY(c.Start());
    CMainFrame& frame = *c.frame;
    CTelnetSession& session = c.Session();

    Clipboard().setText(QStringLiteral("x"));
    QCOMPARE(EditMenuState(frame), std::make_pair(false, true));
    Drag(frame.View(), CellPoint(session, 0, 0), CellPoint(session, 1, 0));
    QCOMPARE(EditMenuState(frame), std::make_pair(true, true));

    Clipboard().clear();
    QCOMPARE(EditMenuState(frame), std::make_pair(true, false));
    QTest::keyClick(frame.View(), Qt::Key_Insert, Qt::ShiftModifier);

    Clipboard().setText(QStringLiteral("y"));
    c.host.Send(QByteArray(30, '\n'));
    QTRY_VERIFY(Peek(session).m_nLineCount >= 30u);
    frame.OnVScroll(ScrollCode::LineUp, 0);  // history view; the selection goes
    QCOMPARE(EditMenuState(frame), std::make_pair(false, false));
    QTest::keyClick(frame.View(), Qt::Key_Insert, Qt::ShiftModifier);
    frame.OnVScroll(ScrollCode::Bottom, 0);
    QCOMPARE(EditMenuState(frame), std::make_pair(false, true));
    QTest::qWait(100);
    QCOMPARE(c.host.Pending(), QByteArray());  // neither refused paste sent anything

    // A click that selects nothing in the history view gives no text: Copy off.
    frame.OnVScroll(ScrollCode::PageUp, 0);
    Drag(frame.View(), CellPoint(session, 3, 0), CellPoint(session, 5, 0));
    QCOMPARE(session.GetSelectedText(), std::string());
    QCOMPARE(EditMenuState(frame).first, false);
    frame.OnVScroll(ScrollCode::Bottom, 0);

    frame.OnFileClose();
    QCOMPARE(EditMenuState(frame), std::make_pair(false, false));
  }
};

QTEST_MAIN(SelectionClipboardTest)
#include "SelectionClipboardTest.moc"
