// What the terminal area shows, checked on its pixels: colours of the
// attribute byte, reverse and selection, the reversed-colour option and its
// erase, both cursor shapes, the code page of the face, and drawing that keeps
// up with a fast host by painting once per frame.
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTest>

#include "../support/SessionTestAccess.h"
#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "terminal/TelnetSession.h"
#include "view/TerminalView.h"

namespace {
constexpr QRgb kFore = qRgb(192, 192, 192);  // the default colours
constexpr QRgb kBack = qRgb(0, 0, 0);
constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kNavy = qRgb(0, 0, 128);

// A shown frame and what its terminal area shows, cell by cell.
struct Screen {
  FrameRig rig;
  CMainFrame* frame = nullptr;
  CTelnetSession* session = nullptr;
  int cw = 0, ch = 0;
  QImage image;

  bool Show(const std::string& host = {}, unsigned port = 23) {
    frame = &rig.Start(host, port);
    session = frame->Session();
    cw = Peek(*session).m_nCharWidth;
    ch = Peek(*session).m_nCharHeight;
    frame->show();
    return QTest::qWaitForWindowExposed(frame);
  }
  // Writes text with one attribute on a row and draws the changed rows.
  void Put(int row, int col, const std::string& text, std::uint8_t attr = kDefaultAttr) {
    Peek(*session).m_Text[row].replace(static_cast<std::size_t>(col), text.size(), text);
    Peek(*session).m_Attrs[row].replace(static_cast<std::size_t>(col), text.size(), text.size(),
                                        static_cast<char>(attr));
    Peek(*session).m_DirtyLines[row] = 1;
    session->DrawNow(true);
    image = frame->View()->Snapshot();
  }
  void Redraw() {
    session->DrawNow(false);
    image = frame->View()->Snapshot();
  }
  QRect Cell(int col, int row) const { return QRect(col * cw, row * ch, cw, ch); }
  int Count(const QRect& area, QRgb colour) const {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) n += image.pixel(x, y) == colour;
    return n;
  }
  int Lit(const QRect& area) const {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) n += qGray(image.pixel(x, y)) > 96;
    return n;
  }
  // A cell with text in `text` on `back`: its corner is background, and the
  // glyph has pixels of exactly the text colour.
  bool Shows(int col, int row, QRgb text, QRgb back) const {
    const QRect c = Cell(col, row);
    return image.pixel(c.topLeft()) == back && Count(c, text) > 0;
  }
};

// What the window itself shows of the terminal area: its backing store's
// pixels, whichever way they got there.
QImage Shown(CMainFrame& frame) {
  const TerminalView& view = *frame.View();
  const QPoint at = view.mapTo(&frame, QPoint(0, 0));
  return frame.screen()
      ->grabWindow(frame.winId(), at.x(), at.y(), view.width(), view.height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    paints += event->type() == QEvent::Paint;
    return false;
  }
};

QByteArray Lines(int count, const char* prefix) {
  QByteArray out;
  for (int i = 0; i < count; ++i)
    out += QByteArray(prefix) + QByteArray::number(i) + " the quick brown fox\r\n";
  return out;
}
}  // namespace

class RenderingTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallQuietMessageHandler(); }

  void attributesBecomeColours_data() {
    QTest::addColumn<int>("attr");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("reverseOption");
    QTest::addColumn<QRgb>("text");
    QTest::addColumn<QRgb>("back");
    QTest::newRow("default") << 0x1C << false << false << kFore << kBack;
    QTest::newRow("bold on 7 is white") << 0x1D << false << false << kWhite << kBack;
    QTest::newRow("bold on 0 is grey") << 0x01 << false << false << qRgb(128, 128, 128) << kBack;
    QTest::newRow("red on navy") << (1 << 2 | 4 << 5) << false << false << qRgb(128, 0, 0) << kNavy;
    QTest::newRow("reverse") << 0x1E << false << false << kBack << kFore;
    QTest::newRow("bold reverse takes the bright back")
        << 0x1F << false << false << qRgb(128, 128, 128) << kFore;
    QTest::newRow("selected") << 0x1C << true << false << kBack << kFore;
    QTest::newRow("reverse option") << 0x1C << false << true << kBack << kFore;
    QTest::newRow("reverse, option") << 0x1E << false << true << kFore << kBack;
    QTest::newRow("reverse, selected, option") << 0x1E << true << true << kBack << kFore;
  }
  void attributesBecomeColours() {
    QFETCH(int, attr);
    QFETCH(bool, selected);
    QFETCH(bool, reverseOption);
    QFETCH(QRgb, text);
    QFETCH(QRgb, back);
    Screen s;
    QVERIFY(s.Show());
    Peek(*s.session).m_bReverseColor = reverseOption;
    if (selected) {
      Peek(*s.session).m_nSelStartRow = Peek(*s.session).m_nSelEndRow = 3;
      Peek(*s.session).m_nSelStartCol = 10;
      Peek(*s.session).m_nSelEndCol = 14;
    }
    s.Put(3, 10, "HHHHH", static_cast<std::uint8_t>(attr));
    for (int col = 10; col < 15; ++col)
      QVERIFY2(s.Shows(col, 3, text, back), qPrintable(QString::number(col)));
    // The cells around keep the default colours (inverted under the option).
    const QRgb plainBack = reverseOption ? kFore : kBack;
    QCOMPARE(s.Count(s.Cell(9, 3), plainBack), s.cw * s.ch);
    QCOMPARE(s.Count(s.Cell(15, 3), plainBack), s.cw * s.ch);
  }

  void theUserColoursAreEntriesZeroAndSeven() {
    Screen s;
    QVERIFY(s.Show());
    Peek(*s.session).m_crForeground = MakeColour(0, 200, 100);
    Peek(*s.session).m_crBackground = MakeColour(60, 0, 0);
    s.Put(0, 0, "H", 0x1C);
    s.Put(0, 1, "H", 0x00);  // colour 0 on colour 0
    QVERIFY(s.Shows(0, 0, qRgb(0, 200, 100), qRgb(60, 0, 0)));
    QCOMPARE(s.Count(s.Cell(1, 0), qRgb(60, 0, 0)), s.cw * s.ch);
    QCOMPARE(s.Count(s.Cell(79, 0), qRgb(60, 0, 0)), s.cw * s.ch);  // the row in full
  }

  void cursorShapes() {
    Screen s;
    QVERIFY(s.Show());
    CTelnetSession& session = *s.session;
    Peek(session).m_nCursorRow = 2;
    Peek(session).m_nCursorCol = 4;
    s.Redraw();
    // Underline: the third pixel row from the bottom of the cell, its width exactly.
    const int line = 3 * s.ch - 3;
    QCOMPARE(s.Count(QRect(4 * s.cw, line, s.cw, 1), kFore), s.cw);
    QCOMPARE(s.Count(QRect(4 * s.cw, 2 * s.ch, s.cw, s.ch), kFore), s.cw);
    QCOMPARE(s.image.pixel(5 * s.cw, line), kBack);

    // Block: the character under it in the background colour on the foreground.
    Peek(session).m_bBlockCursor = true;
    s.Put(2, 4, "H");
    QVERIFY(s.Shows(4, 2, kBack, kFore));
    // Moved on: the old cell is plain again, the new one shows the block.
    Peek(session).m_nCursorRow = 5;
    Peek(session).m_nCursorCol = 0;
    session.DrawNow(true);
    s.image = s.frame->View()->Snapshot();
    QVERIFY(s.Shows(4, 2, kFore, kBack));
    QCOMPARE(s.Count(s.Cell(0, 5), kFore), s.cw * s.ch);

    // Under reversed colours both shapes take the background colour.
    Peek(session).m_bReverseColor = true;
    s.Redraw();
    QCOMPARE(s.Count(s.Cell(0, 5), kBack), s.cw * s.ch);
    Peek(session).m_bBlockCursor = false;
    s.Redraw();
    QCOMPARE(s.Count(QRect(0, 6 * s.ch - 3, s.cw, 1), kBack), s.cw);
    QCOMPARE(s.image.pixel(0, 6 * s.ch - 4), kFore);

    // Pending wrap: the cursor is drawn on the last column, where it stands,
    // and the rest of the row is unharmed.
    Peek(session).m_nCursorCol = session.Screen().Width();
    s.Redraw();
    QCOMPARE(s.Count(QRect(79 * s.cw, 6 * s.ch - 3, s.cw, 1), kBack), s.cw);
    QCOMPARE(s.Count(QRect(0, 5 * s.ch, 79 * s.cw, s.ch), kFore), 79 * s.cw * s.ch);
  }

  void reversedColoursEraseWithTheForeground() {
    Screen s;
    QVERIFY(s.Show());
    // A resize the window-size negotiation does not allow leaves the window as
    // the user made it: the area beyond the screen shows only the erase.
    Peek(*s.session).m_bNawsActive = false;
    s.frame->resize(s.frame->size() + QSize(3 * s.cw + 2, 2 * s.ch + 1));
    QTRY_VERIFY(s.frame->View()->width() > 80 * s.cw + 2 * s.cw);
    QCOMPARE(s.session->Screen().Width(), 80);
    Peek(*s.session).m_bReverseColor = true;
    s.frame->Invalidate();
    s.image = s.frame->View()->Snapshot();
    const QPoint beyond(s.image.width() - 1, s.image.height() - 1);
    QCOMPARE(s.image.pixel(beyond), kFore);
    QCOMPARE(s.image.pixel(80 * s.cw, 0), kFore);
    QCOMPARE(s.image.pixel(0, 24 * s.ch), kFore);
    QCOMPARE(s.image.pixel(1, 1), kFore);  // blank text: background on foreground
    Peek(*s.session).m_bReverseColor = false;
    s.frame->Invalidate();
    s.image = s.frame->View()->Snapshot();
    QCOMPARE(s.image.pixel(beyond), kBack);
  }

  void terminalFaceShowsBoxLinesThroughCp437() {
    Screen s;
    QVERIFY(s.Show());
    QCOMPARE(QString::fromLatin1(s.frame->TerminalCodePage().Name()), QStringLiteral("CP437"));
    // A horizontal line across three cells and a vertical one down three rows.
    s.Put(2, 10, "\xC4\xC4\xC4");
    for (int row = 4; row <= 6; ++row) s.Put(row, 10, "\xB3");
    int lineY = -1;
    for (int y = 2 * s.ch; y < 3 * s.ch && lineY < 0; ++y)
      if (s.Lit(QRect(10 * s.cw, y, 3 * s.cw, 1)) == 3 * s.cw) lineY = y;
    QVERIFY2(lineY >= 0, "one pixel row lit across all three cells");
    int lineX = -1;
    for (int x = 10 * s.cw; x < 11 * s.cw && lineX < 0; ++x)
      if (s.Lit(QRect(x, 4 * s.ch, 1, 3 * s.ch)) == 3 * s.ch) lineX = x;
    QVERIFY2(lineX >= 0, "one pixel column lit down all three rows");
  }

  void otherFacesShowWindows1252() {
    Screen s;
    const QString family = QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
    s.rig.profile.Set("Font", "Name", family.toStdString());
    QVERIFY(s.Show());
    QCOMPARE(QString::fromLatin1(s.frame->TerminalCodePage().Name()),
             QStringLiteral("Windows-1252"));
    s.Put(2, 10, "\xC4\xC4\xC4");  // "ÄÄÄ": letters with space between them
    for (int y = 2 * s.ch; y < 3 * s.ch; ++y)
      QVERIFY(s.Lit(QRect(10 * s.cw, y, 3 * s.cw, 1)) < 3 * s.cw);
    QVERIFY(s.Lit(s.Cell(10, 2)) > 0);
  }

  void drawingWritesReadyAndTheCursorPosition() {
    Screen s;
    QVERIFY(s.Show());
    Peek(*s.session).m_nCursorRow = 6;
    Peek(*s.session).m_nCursorCol = 11;
    s.frame->statusBar()->showMessage(QStringLiteral("Change font"));  // a menu prompt
    s.session->DrawNow(true);
    QTRY_COMPARE(s.frame->Pane(1)->text(), QStringLiteral("Ln 7, Col 12"));
    QCOMPARE(s.frame->Pane(0)->text(), QStringLiteral("Ready"));
    QCOMPARE(s.frame->statusBar()->currentMessage(), QString());
  }

  // A host streaming fast is drawn after every block, but painted once per
  // display frame; what is painted bit by bit is what a full repaint shows.
  void streamingPaintsOncePerFrameAndEndsOnTheRightImage() {
    LoopbackHost host;
    Screen s;
    QVERIFY(s.Show("127.0.0.1", host.Port()));
    QVERIFY(host.WaitForPeer());
    QTest::qWait(50);
    QByteArray stream;
    for (int i = 0; i < 400; ++i) {
      stream += "\x1b[" + QByteArray::number(31 + i % 7) + "mred " + QByteArray::number(i) +
                "\x1b[1;44m bold on blue \x1b[7m rev \x1b[m plain text here\r\n";
      if (i % 50 == 0) stream += "\x1b[5;10r\x1b[5;1H\x1bM\x1b[r\x1b[12;30Hjump\x1b[K";
    }
    stream += Lines(20000, "tail ");  // a few hundred reads
    stream += "\x1b[3;3HEND\x1b[7;20H";
    const int framesBefore = s.frame->View()->FrameCount();
    QElapsedTimer clock;
    clock.start();
    host.Send(stream);
    QTRY_VERIFY_WITH_TIMEOUT(Peek(*s.session).m_Text[2].compare(2, 3, "END") == 0, 30000);
    const qint64 elapsed = clock.elapsed();
    QTest::qWait(100);  // the last frame
    const int frames = s.frame->View()->FrameCount() - framesBefore;
    const int reads = stream.size() / kRecvBufSize;
    QVERIFY2(frames <= elapsed / s.frame->View()->FrameIntervalMs() + 6,
             qPrintable(QStringLiteral("%1 frames in %2 ms").arg(frames).arg(elapsed)));
    QVERIFY2(frames < reads / 2,
             qPrintable(QStringLiteral("%1 frames, %2 reads").arg(frames).arg(reads)));
    QTRY_COMPARE(s.frame->Pane(1)->text(), QStringLiteral("Ln 7, Col 20"));

    const QImage painted = s.frame->View()->Snapshot();
    QCOMPARE(Shown(*s.frame), painted);
    s.frame->Invalidate();
    const QImage repainted = s.frame->View()->Snapshot();
    QCOMPARE(painted, repainted);
    s.image = painted;
    QVERIFY(s.Lit(QRect(2 * s.cw, 2 * s.ch, 3 * s.cw, s.ch)) > 0);  // "END"
  }

  // A repaint from outside (an expose while the window manager maps the
  // window) can show a change before its own frame comes; a change after
  // that frame found nothing left to show must still be painted.
  void aChangeAfterAnEarlierRepaintIsStillPainted() {
    Screen s;
    QVERIFY(s.Show());
    TerminalView* view = s.frame->View();
    auto change = [&](int row) {
      Peek(*s.session).m_Text[row].replace(0, 1, "x");
      Peek(*s.session).m_DirtyLines[row] = 1;
      s.session->DrawNow(true);
    };
    view->repaint();  // a frame was just painted,
    change(1);        // so this change waits for the next frame,
    view->repaint();  // which an outside repaint overtakes
    QTest::qWait(4 * view->FrameIntervalMs());
    const int before = view->FrameCount();
    change(2);
    QTRY_VERIFY_WITH_TIMEOUT(view->FrameCount() > before, 1000);
  }

  // Rows changed by received data are drawn when the frame is made, not at
  // every read; the first change after a quiet moment is painted at once.
  void receivedChangesAreDrawnWithTheFrame() {
    Screen s;
    QVERIFY(s.Show());
    TerminalView* view = s.frame->View();
    auto receive = [&](int row) {
      Peek(*s.session).m_Text[row].replace(0, 3, "WWW");
      Peek(*s.session).m_DirtyLines[row] = 1;
      QVERIFY(s.frame->DrawChangesLater());
    };
    view->repaint();  // a frame was just painted
    receive(1);
    QCOMPARE(Peek(*s.session).m_DirtyLines[1], 1);  // waits for the next frame
    QTRY_COMPARE_WITH_TIMEOUT(Peek(*s.session).m_DirtyLines[1], 0, 1000);
    s.image = view->Snapshot();
    QVERIFY(s.Lit(s.Cell(0, 1)) > 0);

    QTest::qWait(4 * view->FrameIntervalMs());
    const int before = view->FrameCount();
    receive(2);  // no pass of the event loop in between
    QCOMPARE(view->FrameCount(), before + 1);
    QCOMPARE(Peek(*s.session).m_DirtyLines[2], 0);
  }

  // Such a frame goes straight into the window, without a paint event, and
  // leaves there what a repaint of the whole area would (also run on a
  // screen of twice the density).
  void framesWithoutAPaintEventShowWhatARepaintWould() {
    Screen s;
    QVERIFY(s.Show());
    TerminalView* view = s.frame->View();
    QTest::qWait(100);  // the window's first paints are over
    PaintCounter counter;
    view->installEventFilter(&counter);
    const int before = view->FrameCount();
    for (int row = 1; row <= 3; ++row) {
      QTest::qWait(4 * view->FrameIntervalMs());
      Peek(*s.session).m_Text[row].replace(static_cast<std::size_t>(row), 4, "W@g|");
      Peek(*s.session).m_DirtyLines[row] = 1;
      QVERIFY(s.frame->DrawChangesLater());
    }
    QCOMPARE(view->FrameCount(), before + 3);
    QCOMPARE(counter.paints, 0);
    const QImage direct = Shown(*s.frame);
    view->repaint();
    QCOMPARE(counter.paints, 1);
    QCOMPARE(direct, Shown(*s.frame));
  }
};

QTEST_MAIN(RenderingTest)
#include "RenderingTest.moc"
