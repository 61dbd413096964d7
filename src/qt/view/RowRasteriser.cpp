#include "view/RowRasteriser.h"

#include <QFontMetrics>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {
// Past this the cache starts over; a few thousand cells of a normal font.
constexpr std::size_t kMaxPoolBytes = 16u << 20;

QRgb ToRgb(Colour c) { return qRgb(RedOf(c), GreenOf(c), BlueOf(c)); }

// A logical pixel coordinate in device pixels, kept within int. Cells and
// rows start where their logical edges round to, so neighbours meet without
// gap or overlap at any ratio.
int ToDevice(long long v, qreal ratio) {
  const long long d = ratio == 1 ? v : std::llround(static_cast<double>(v) * ratio);
  return static_cast<int>(std::clamp<long long>(d, std::numeric_limits<int>::min() / 2,
                                                std::numeric_limits<int>::max() / 2));
}
}  // namespace

RowRasteriser::RowRasteriser() : codePage_(&CodePage::Cp437()) {}

void RowRasteriser::SetFont(const QFont& font, QSize cell, const CodePage& codePage) {
  font_ = font;
  cell_ = cell.expandedTo(QSize(1, 1));
  ascent_ = QFontMetrics(font_).ascent();
  codePage_ = &codePage;
  ratio_ = 0;  // the cells are made for the ratio of the next image
  UseRatio(1);
}

void RowRasteriser::UseRatio(qreal ratio) {
  if (ratio == ratio_) return;
  ratio_ = ratio;
  const QSize device(static_cast<int>(std::ceil(cell_.width() * ratio)),
                     static_cast<int>(std::ceil(cell_.height() * ratio)));
  tile_ = device.expandedTo(QSize(1, 1)).boundedTo(QSize(kMaxTileSide, kMaxTileSide));
  tileImage_ = QImage(tile_, QImage::Format_RGB32);
  // Drawn in logical pixels like the screen, rasterised at the device's.
  tileImage_.setDevicePixelRatio(ratio);
  Forget();
}

void RowRasteriser::Forget() {
  pool_.clear();
  tileCount_ = 0;
  tableOfPair_.clear();
  tables_.clear();
  pairs_.clear();
}

RowRasteriser::TileTable& RowRasteriser::TableFor(Colour fore, Colour back) {
  if (pool_.size() * sizeof(std::uint32_t) > kMaxPoolBytes) Forget();
  const std::uint64_t pair = (std::uint64_t{fore} << 32) | back;
  const auto [it, added] = tableOfPair_.try_emplace(pair, tables_.size());
  if (added) {
    tables_.emplace_back().fill(-1);
    pairs_.emplace_back(fore, back);
  }
  return tables_[it->second];
}

bool RowRasteriser::PrepareNext() {
  for (std::size_t t = 0; t < std::min(kPreparedPairs, tables_.size()); ++t)
    for (unsigned byte = 0x20; byte < 0x7f; ++byte)
      if (tables_[t][byte] < 0) {
        Tile(tables_[t], static_cast<unsigned char>(byte), pairs_[t].first, pairs_[t].second);
        return true;
      }
  return false;
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

void RowRasteriser::PaintRow(QImage& image, int rowTop, const DisplayRow& row, int left) {
  UseRatio(image.devicePixelRatio());
  for (DrawOp op : row.ops) {
    op.x0 -= left;
    op.x1 -= left;
    if (op.kind == DrawOp::Kind::Text)
      PaintText(image, rowTop, row, op);
    else
      FillRect(image, QRect(op.x0, rowTop + op.y0, op.x1 - op.x0, op.y1 - op.y0), op.fore);
  }
}

void RowRasteriser::PaintText(QImage& image, int rowTop, const DisplayRow& row, const DrawOp& op) {
  const int cw = cell_.width(), ch = cell_.height();
  const int tw = tile_.width();
  // The row's device pixel rows, as far as a tile covers them.
  const int top = ToDevice(rowTop, ratio_);
  const int th = std::min(tile_.height(), ToDevice(rowTop + ch, ratio_) - top);
  if (tw < ToDevice(cw, ratio_) || th < ToDevice(rowTop + ch, ratio_) - top)
    FillRect(image, QRect(op.x0, rowTop, op.x1 - op.x0, ch), op.back);  // beyond the tiles
  const int ty0 = std::max(0, -top), ty1 = std::min(th, image.height() - top);
  if (ty0 >= ty1 || ToDevice(op.x0, ratio_) >= image.width()) return;
  TileTable& table = TableFor(op.fore, op.back);
  uchar* const bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  const int cells = (op.x1 - op.x0) / cw;
  for (int i = 0; i < cells; ++i) {
    const long long left = op.x0 + static_cast<long long>(i) * cw;
    const int x = ToDevice(left, ratio_);
    const int w = std::min(tw, ToDevice(left + cw, ratio_) - x);
    const int tx0 = std::max(0, -x), tx1 = std::min(w, image.width() - x);
    if (image.width() - x <= 0) break;
    if (tx0 >= tx1) continue;
    const auto byte =
        static_cast<unsigned char>(row.cells[static_cast<std::size_t>(op.firstCell + i)]);
    const std::uint32_t* tile = Tile(table, byte, op.fore, op.back);
    const std::size_t bytes = static_cast<std::size_t>(tx1 - tx0) * sizeof(std::uint32_t);
    for (int ty = ty0; ty < ty1; ++ty) {
      auto* dst = reinterpret_cast<std::uint32_t*>(bits + (top + ty) * stride) + x + tx0;
      std::memcpy(dst, tile + ty * tw + tx0, bytes);
    }
  }
}

void RowRasteriser::FillRect(QImage& image, const QRect& rect, Colour colour) {
  const qreal ratio = image.devicePixelRatio();
  const int x0 = ToDevice(rect.left(), ratio), y0 = ToDevice(rect.top(), ratio);
  const int x1 = ToDevice(static_cast<long long>(rect.left()) + rect.width(), ratio);
  const int y1 = ToDevice(static_cast<long long>(rect.top()) + rect.height(), ratio);
  const QRect area = QRect(x0, y0, x1 - x0, y1 - y0).intersected(image.rect());
  if (area.isEmpty()) return;
  const QRgb rgb = ToRgb(colour);
  uchar* const bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  for (int y = area.top(); y <= area.bottom(); ++y) {
    auto* line = reinterpret_cast<std::uint32_t*>(bits + y * stride) + area.left();
    std::fill_n(line, area.width(), rgb);
  }
}
