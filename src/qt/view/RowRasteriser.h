#pragma once
// Turns display rows into pixels. Every text cell is a copy of a small image
// of its character in its two colours, drawn once with the terminal font and
// kept; fills and lines are plain pixel fills. So the font and the colours
// are set up once per character and colour pair, not per run or per frame,
// and a glyph from a fallback font never shifts the cells after it.
//
// Positions are logical pixels; the image's device pixel ratio says how many
// of its pixels make one. The cells are drawn at that ratio, so text on a
// high-density screen is as sharp as the screen allows, not scaled up.
#include <QFont>
#include <QImage>
#include <QRect>
#include <QSize>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "text/CodePage.h"
#include "view/ScreenDisplayList.h"

class RowRasteriser {
 public:
  RowRasteriser();

  // The font, cell size and code page of every text cell; forgets the cached cells.
  void SetFont(const QFont& font, QSize cell, const CodePage& codePage);

  // Paints a row's operations in order, its top at logical pixel row rowTop
  // and logical x `left` at the image's left edge (a panned screen); what
  // falls outside the image is left out. The image is Format_RGB32.
  void PaintRow(QImage& image, int rowTop, const DisplayRow& row, int left = 0);
  static void FillRect(QImage& image, const QRect& rect, Colour colour);

  // Draws, ahead of need, one printable ASCII cell not drawn yet in one of the
  // first colour pairs used (a character's first cell costs a text layout,
  // a few tenths of a millisecond). False once there is none left.
  bool PrepareNext();
  static constexpr std::size_t kPreparedPairs = 4;

  // Cached cells (for tests).
  std::size_t TileCount() const { return tileCount_; }
  // A cached cell covers at most this many device pixels each way: a cell larger
  // than that (a huge font) cannot show in full, and its pixels beyond are
  // background. Bounds the memory of the cache whatever the font.
  static constexpr int kMaxTileSide = 1024;

 private:
  using TileTable = std::array<std::int32_t, 256>;  // tile index per byte, -1: not drawn yet

  void PaintText(QImage& image, int rowTop, const DisplayRow& row, const DrawOp& op);
  TileTable& TableFor(Colour fore, Colour back);
  const std::uint32_t* Tile(TileTable& table, unsigned char byte, Colour fore, Colour back);
  void Forget();
  // Makes the cached cells those of an image of this device pixel ratio.
  void UseRatio(qreal ratio);

  QFont font_;
  QSize cell_{1, 1};
  qreal ratio_ = 1;   // device pixels per logical pixel of the cached cells
  QSize tile_{1, 1};  // the cell in device pixels, bounded by kMaxTileSide
  int ascent_ = 0;
  const CodePage* codePage_;
  QImage tileImage_;                 // where a new cell is drawn before it joins the pool
  std::vector<std::uint32_t> pool_;  // cached cells, one after another
  std::size_t tileCount_ = 0;
  std::unordered_map<std::uint64_t, std::size_t> tableOfPair_;
  std::vector<TileTable> tables_;
  std::vector<std::pair<Colour, Colour>> pairs_;  // the text and background colours of each table
};
