// The per-row display list the terminal area paints from: what a new drawing
// hides is cut away, what it leaves visible stays, and only changed rows are
// reported. Its rows turned into pixels match the font drawn directly, at
// every device pixel ratio.
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QTest>
#include <string>
#include <vector>

#include "view/QtDrawContext.h"
#include "view/QtTerminalFont.h"
#include "view/RowRasteriser.h"
#include "view/ScreenDisplayList.h"

namespace {
constexpr int kCw = 8, kCh = 10;
constexpr Colour kA = MakeColour(1, 2, 3), kB = MakeColour(4, 5, 6), kC = MakeColour(7, 8, 9);

const unsigned char* Bytes(const std::string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

// A row as "kind@x0-x1:text" entries, text ops with their characters.
QStringList Describe(const ScreenDisplayList& list, int r) {
  QStringList out;
  if (r >= list.RowCount()) return out;
  const DisplayRow& row = list.Row(r);
  for (const DrawOp& op : row.ops) {
    QString entry;
    switch (op.kind) {
      case DrawOp::Kind::Text:
        entry = QStringLiteral("T@%1-%2:").arg(op.x0).arg(op.x1) +
                QString::fromLatin1(row.cells.data() + op.firstCell, (op.x1 - op.x0) / kCw);
        break;
      case DrawOp::Kind::Fill:
        entry = QStringLiteral("F@%1-%2/%3-%4").arg(op.x0).arg(op.x1).arg(op.y0).arg(op.y1);
        break;
      case DrawOp::Kind::Line:
        entry = QStringLiteral("L@%1-%2/%3").arg(op.x0).arg(op.x1).arg(op.y0);
        break;
    }
    out << entry;
  }
  return out;
}
}  // namespace

class DisplayListTest : public QObject {
  Q_OBJECT

 private slots:
  void aRowDrawnAgainInFullReplacesItsList() {
    ScreenDisplayList list;
    list.Reset(kCw, kCh);
    list.AddText(0, kCh, Bytes("abcd"), 4, kA, kB);
    list.AddText(4 * kCw, kCh, Bytes("efgh"), 4, kB, kA);
    list.AddLine(kCw, 2 * kCw, 2 * kCh - 3, kA);  // an underline cursor
    // The next drawing of the row: new runs with other boundaries.
    list.AddText(0, kCh, Bytes("ABCDEF"), 6, kC, kB);
    list.AddText(6 * kCw, kCh, Bytes("GH"), 2, kA, kB);
    QCOMPARE(Describe(list, 1), (QStringList{"T@0-48:ABCDEF", "T@48-64:GH"}));
  }

  void aPartlyCoveredRunKeepsItsVisibleCells_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("left end") << 0 << 2 << QStringList{"T@16-64:cdefgh", "T@0-16:XX"};
    QTest::newRow("right end") << 6 << 2 << QStringList{"T@0-48:abcdef", "T@48-64:XX"};
    QTest::newRow("middle") << 3 << 2 << QStringList{"T@0-24:abc", "T@40-64:fgh", "T@24-40:XX"};
    QTest::newRow("beyond the end") << 7 << 2 << QStringList{"T@0-56:abcdefg", "T@56-72:XX"};
  }
  void aPartlyCoveredRunKeepsItsVisibleCells() {
    QFETCH(int, from);
    QFETCH(int, count);
    QFETCH(QStringList, expected);
    ScreenDisplayList list;
    list.Reset(kCw, kCh);
    list.AddText(0, 0, Bytes("abcdefgh"), 8, kA, kB);
    list.AddText(from * kCw, 0, Bytes("XX"), static_cast<std::size_t>(count), kC, kB);
    QCOMPARE(Describe(list, 0), expected);
  }

  void fillsCoverOnlyWhereTheyAreFullHeight() {
    ScreenDisplayList list;
    list.Reset(kCw, kCh);
    list.AddText(0, 0, Bytes("abcd"), 4, kA, kB);
    list.AddText(0, kCh, Bytes("abcd"), 4, kA, kB);
    // Rows 0 (pixels 5..9) and 1 (all of it): only row 1 loses its text there.
    list.AddFill(kCw, 5, 2 * kCw, 15, kC);
    QCOMPARE(Describe(list, 0), (QStringList{"T@0-32:abcd", "F@8-24/5-10"}));
    QCOMPARE(Describe(list, 1), (QStringList{"T@0-8:a", "T@24-32:d", "F@8-24/0-10"}));
    // A fill not on the cell grid hides only whole cells of text under it.
    list.AddFill(28, kCh, 100, kCh, kA);
    QCOMPARE(Describe(list, 1),
             (QStringList{"T@0-8:a", "T@24-32:d", "F@8-24/0-10", "F@28-128/0-10"}));
    list.AddText(0, kCh, Bytes("wxyz"), 4, kA, kB);
    QCOMPARE(Describe(list, 1), (QStringList{"F@32-128/0-10", "T@0-32:wxyz"}));
  }

  void offGridAndOutOfRangeDrawingIsSnappedOrDropped() {
    ScreenDisplayList list;
    list.Reset(kCw, kCh);
    list.AddText(kCw + 3, kCh + 4, Bytes("ab"), 2, kA, kB);  // snapped to cell 1, row 1
    QCOMPARE(Describe(list, 1), (QStringList{"T@8-24:ab"}));
    list.AddText(-2 * kCw, 0, Bytes("abcd"), 4, kA, kB);  // left of the area: the rest stays
    QCOMPARE(Describe(list, 0), (QStringList{"T@0-16:cd"}));
    list.AddText(0, -1, Bytes("x"), 1, kA, kB);
    list.AddText(0, ScreenDisplayList::kMaxRows * kCh, Bytes("x"), 1, kA, kB);
    list.AddText((ScreenDisplayList::kMaxCells - 1) * kCw, 0, Bytes("yz"), 2, kA, kB);
    list.AddFill(0, -100, 10, 50, kA);
    list.AddFill(0, 0, 0, 10, kA);
    list.AddLine(5, 5, 0, kA);
    QCOMPARE(list.RowCount(), 2);
    QCOMPARE(Describe(list, 0).last(), QStringLiteral("T@%1-%2:y")
                                           .arg((ScreenDisplayList::kMaxCells - 1) * kCw)
                                           .arg(ScreenDisplayList::kMaxCells * kCw));
  }

  void changedRowsAreReportedUntilTaken() {
    ScreenDisplayList list;
    list.Reset(kCw, kCh);
    QVERIFY(!list.HasChanges());
    list.AddText(0, 5 * kCh, Bytes("a"), 1, kA, kB);
    list.AddLine(0, kCw, 2 * kCh + 7, kA);
    QVERIFY(list.HasChanges());
    QCOMPARE(list.FirstChanged(), 2);
    QCOMPARE(list.LastChanged(), 5);
    QVERIFY(list.IsChanged(2) && list.IsChanged(5) && !list.IsChanged(3));
    list.TakeChanged();
    QVERIFY(!list.HasChanges());
    QVERIFY(!list.IsChanged(5));
    QCOMPARE(Describe(list, 5), (QStringList{"T@0-8:a"}));  // what is shown stays
    list.Reset(kCw, kCh);
    QVERIFY(Describe(list, 5).isEmpty());
  }

  void aRowRedrawnManyTimesStaysShort() {
    ScreenDisplayList list;
    list.Reset(kCw, kCh);
    const std::string text(80, 'x');
    for (int round = 0; round < 1000; ++round) {
      // Runs whose boundaries move every time, plus a cursor line.
      const int split = 1 + round % 79;
      list.AddText(0, 0, Bytes(text), static_cast<std::size_t>(split), kA, kB);
      list.AddText(split * kCw, 0, Bytes(text), static_cast<std::size_t>(80 - split), kB, kA);
      list.AddLine(split * kCw, (split + 1) * kCw, kCh - 3, kA);
    }
    QCOMPARE(list.Row(0).ops.size(), std::size_t{3});
  }

  // On a high-density screen the cells are drawn at the device's resolution:
  // a row is pixel for pixel what QPainter draws of each character in its cell
  // at that ratio, not a low-resolution drawing scaled up.
  void rowsAreRasterisedAtTheDevicePixelRatio_data() {
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("1") << qreal{1};
    QTest::newRow("2") << qreal{2};
    QTest::newRow("3") << qreal{3};
  }
  void rowsAreRasterisedAtTheDevicePixelRatio() {
    QFETCH(qreal, ratio);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(12);
    const QSize cell = TerminalCellSize(font);
    const int cw = cell.width(), ch = cell.height();
    const std::string text = "Hg@W";
    ScreenDisplayList list;
    list.Reset(cw, ch);
    list.AddText(cw, 0, Bytes(text), text.size(), kA, kC);
    list.AddFill(0, ch - 2, 2 * cw, 1, kB);  // a line over part of the text

    auto blank = [&] {
      QImage image(QSize(6 * cw, ch) * ratio, QImage::Format_RGB32);
      image.setDevicePixelRatio(ratio);
      image.fill(ToQColor(kB));
      return image;
    };
    QImage drawn = blank();
    RowRasteriser rasteriser;
    rasteriser.SetFont(font, cell, CodePage::Cp437());
    rasteriser.PaintRow(drawn, 0, list.Row(0));

    QImage expected = blank();
    {
      QPainter painter(&expected);
      painter.setFont(font);
      painter.setPen(ToQColor(kA));
      for (std::size_t i = 0; i < text.size(); ++i) {
        const QRect box(static_cast<int>(i + 1) * cw, 0, cw, ch);
        painter.setClipRect(box);
        painter.fillRect(box, ToQColor(kC));
        painter.drawText(QPoint(box.left(), QFontMetrics(font).ascent()), QString(QChar(text[i])));
      }
      painter.setClipping(false);
      painter.fillRect(QRect(0, ch - 2, 2 * cw, 1), ToQColor(kB));
    }
    QCOMPARE(drawn.size(), expected.size());
    QCOMPARE(drawn, expected);
  }

  // Cells drawn ahead of need are the ones painting would draw: the printable
  // ASCII of the first few colour pairs used, each in its own colours.
  void cellsDrawnAheadAreThoseOfTheirColourPair() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QSize cell = TerminalCellSize(font);
    const int cw = cell.width(), ch = cell.height();
    const Colour pairs[][2] = {{kA, kC}, {kB, kC}, {kC, kA}, {kA, kB}, {kB, kA}};
    ScreenDisplayList used, text;
    used.Reset(cw, ch);
    text.Reset(cw, ch);
    const std::string sample = "Hello, world ~ 42";
    for (std::size_t p = 0; p < std::size(pairs); ++p) {
      used.AddText(static_cast<int>(p) * cw, 0, Bytes("#"), 1, pairs[p][0], pairs[p][1]);
      text.AddText(0, static_cast<int>(p) * ch, Bytes(sample), sample.size(), pairs[p][0],
                   pairs[p][1]);
    }
    auto paint = [&](RowRasteriser& rasteriser) {
      QImage image(QSize(20 * cw, 5 * ch), QImage::Format_RGB32);
      image.fill(Qt::black);
      for (int r = 0; r < 5; ++r) rasteriser.PaintRow(image, r * ch, text.Row(r));
      return image;
    };
    RowRasteriser ahead, fresh;
    ahead.SetFont(font, cell, CodePage::Cp437());
    fresh.SetFont(font, cell, CodePage::Cp437());
    QImage scratch(QSize(20 * cw, ch), QImage::Format_RGB32);
    ahead.PaintRow(scratch, 0, used.Row(0));
    while (ahead.PrepareNext()) {
    }
    const std::size_t prepared = RowRasteriser::kPreparedPairs * 95 + 1;  // and the fifth's "#"
    QCOMPARE(ahead.TileCount(), prepared);
    const QImage drawn = paint(ahead);
    QCOMPARE(ahead.TileCount() - prepared, std::size_t{12});  // the fifth pair's other characters
    QCOMPARE(drawn, paint(fresh));
  }
};

QTEST_MAIN(DisplayListTest)
#include "DisplayListTest.moc"
