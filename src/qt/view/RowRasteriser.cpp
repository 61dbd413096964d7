#include "view/RowRasteriser.h"

#include <QFontMetrics>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cstring>

namespace {
// Past this the cache starts over; a few thousand cells of a normal font.
constexpr std::size_t kMaxPoolBytes = 16u << 20;

QRgb ToRgb(Colour c) { return qRgb(RedOf(c), GreenOf(c), BlueOf(c)); }
}  // namespace

RowRasteriser::RowRasteriser() : codePage_(&CodePage::Cp437()) {}

void RowRasteriser::SetFont(const QFont& font, QSize cell, const CodePage& codePage) {
  font_ = font;
  cell_ = cell.expandedTo(QSize(1, 1));
  tile_ = cell_.boundedTo(QSize(kMaxTileSide, kMaxTileSide));
  ascent_ = QFontMetrics(font_).ascent();
  codePage_ = &codePage;
  tileImage_ = QImage(tile_, QImage::Format_RGB32);
  Forget();
}

void RowRasteriser::Forget() {
  pool_.clear();
  tileCount_ = 0;
  tableOfPair_.clear();
  tables_.clear();
}

RowRasteriser::TileTable& RowRasteriser::TableFor(Colour fore, Colour back) {
  if (pool_.size() * sizeof(std::uint32_t) > kMaxPoolBytes) Forget();
  const std::uint64_t pair = (std::uint64_t{fore} << 32) | back;
  const auto [it, added] = tableOfPair_.try_emplace(pair, tables_.size());
  if (added) tables_.emplace_back().fill(-1);
  return tables_[it->second];
}

const std::uint32_t* RowRasteriser::Tile(TileTable& table, unsigned char byte, Colour fore,
                                         Colour back) {
  std::int32_t& index = table[byte];
  const std::size_t area = static_cast<std::size_t>(tile_.width()) * tile_.height();
  if (index < 0) {
    tileImage_.fill(ToRgb(back));
    const char16_t ch = codePage_->ToUnicode(byte);
    if (ch != u' ' && ch != 0) {
      QPainter painter(&tileImage_);
      painter.setFont(font_);
      painter.setPen(QColor::fromRgb(ToRgb(fore)));
      painter.drawText(QPoint(0, ascent_), QString(QChar(ch)));
    }
    index = static_cast<std::int32_t>(tileCount_++);
    pool_.resize(tileCount_ * area);
    std::uint32_t* out = pool_.data() + static_cast<std::size_t>(index) * area;
    for (int y = 0; y < tile_.height(); ++y)
      std::memcpy(out + static_cast<std::size_t>(y) * tile_.width(), tileImage_.constScanLine(y),
                  static_cast<std::size_t>(tile_.width()) * sizeof(std::uint32_t));
  }
  return pool_.data() + static_cast<std::size_t>(index) * area;
}

void RowRasteriser::PaintRow(QImage& image, int rowTop, const DisplayRow& row) {
  for (const DrawOp& op : row.ops) {
    if (op.kind == DrawOp::Kind::Text)
      PaintText(image, rowTop, row, op);
    else
      FillRect(image, QRect(op.x0, rowTop + op.y0, op.x1 - op.x0, op.y1 - op.y0), op.fore);
  }
}

void RowRasteriser::PaintText(QImage& image, int rowTop, const DisplayRow& row, const DrawOp& op) {
  const int cw = cell_.width(), ch = cell_.height();
  const int tw = tile_.width(), th = tile_.height();
  if (tw < cw || th < ch)  // what no tile covers shows the background
    FillRect(image, QRect(op.x0, rowTop, op.x1 - op.x0, ch), op.back);
  const int ty0 = std::max(0, -rowTop), ty1 = std::min(th, image.height() - rowTop);
  if (ty0 >= ty1 || op.x0 >= image.width()) return;
  TileTable& table = TableFor(op.fore, op.back);
  uchar* const bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  const int cells = (op.x1 - op.x0) / cw;
  for (int i = 0; i < cells; ++i) {
    const int x = op.x0 + i * cw;
    const int tx0 = std::max(0, -x), tx1 = std::min(tw, image.width() - x);
    if (image.width() - x <= 0) break;
    if (tx0 >= tx1) continue;
    const auto byte =
        static_cast<unsigned char>(row.cells[static_cast<std::size_t>(op.firstCell + i)]);
    const std::uint32_t* tile = Tile(table, byte, op.fore, op.back);
    const std::size_t bytes = static_cast<std::size_t>(tx1 - tx0) * sizeof(std::uint32_t);
    for (int ty = ty0; ty < ty1; ++ty) {
      auto* dst = reinterpret_cast<std::uint32_t*>(bits + (rowTop + ty) * stride) + x + tx0;
      std::memcpy(dst, tile + ty * tw + tx0, bytes);
    }
  }
}

void RowRasteriser::FillRect(QImage& image, const QRect& rect, Colour colour) {
  const QRect area = rect.intersected(image.rect());
  if (area.isEmpty()) return;
  const QRgb rgb = ToRgb(colour);
  uchar* const bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  for (int y = area.top(); y <= area.bottom(); ++y) {
    auto* line = reinterpret_cast<std::uint32_t*>(bits + y * stride) + area.left();
    std::fill_n(line, area.width(), rgb);
  }
}
