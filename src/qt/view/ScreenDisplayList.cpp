#include "view/ScreenDisplayList.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
constexpr int kNone = std::numeric_limits<int>::max();

// Division rounding toward minus infinity, so pixels above or left of the
// origin fall in row or cell -1 rather than 0.
int FloorDiv(long long a, int b) {
  const long long q = a / b;
  return static_cast<int>((a % b != 0 && a < 0) ? q - 1 : q);
}
}  // namespace

void ScreenDisplayList::Reset(int cellWidth, int cellHeight) {
  cellWidth_ = std::max(cellWidth, 1);
  cellHeight_ = std::max(cellHeight, 1);
  // Keep the rows' storage: a full redraw refills them at once.
  for (DisplayRow& row : rows_) {
    row.ops.clear();
    row.cells.clear();
  }
  std::fill(changed_.begin(), changed_.end(), 0);
  firstChanged_ = kNone;
  lastChanged_ = -1;
}

void ScreenDisplayList::TakeChanged() {
  if (HasChanges())
    std::fill(changed_.begin() + firstChanged_, changed_.begin() + lastChanged_ + 1, 0);
  firstChanged_ = kNone;
  lastChanged_ = -1;
}

DisplayRow* ScreenDisplayList::RowFor(int r) {
  if (r < 0 || r >= kMaxRows) return nullptr;
  if (r >= RowCount()) {
    rows_.resize(static_cast<std::size_t>(r) + 1);
    changed_.resize(static_cast<std::size_t>(r) + 1, 0);
  }
  return &rows_[static_cast<std::size_t>(r)];
}

void ScreenDisplayList::MarkChanged(int r) {
  changed_[static_cast<std::size_t>(r)] = 1;
  firstChanged_ = std::min(firstChanged_, r);
  lastChanged_ = std::max(lastChanged_, r);
}

void ScreenDisplayList::Cover(DisplayRow& row, int x0, int x1) {
  if (row.ops.empty()) return;
  const int cw = cellWidth_;
  scratch_.clear();
  for (const DrawOp& op : row.ops) {
    if (op.x1 <= x0 || op.x0 >= x1) {
      scratch_.push_back(op);
      continue;
    }
    if (op.kind != DrawOp::Kind::Text) {
      if (op.x0 < x0) {
        DrawOp left = op;
        left.x1 = x0;
        scratch_.push_back(left);
      }
      if (op.x1 > x1) {
        DrawOp right = op;
        right.x0 = x1;
        scratch_.push_back(right);
      }
      continue;
    }
    // Text keeps every cell that is not hidden in full.
    const int cells = (op.x1 - op.x0) / cw;
    const int leftCells = op.x0 < x0 ? std::min((x0 - op.x0 + cw - 1) / cw, cells) : 0;
    const int rightFirst = op.x1 > x1 ? (x1 - op.x0) / cw : cells;
    if (rightFirst < leftCells) {  // the cover lies inside one of its cells
      scratch_.push_back(op);
      continue;
    }
    if (leftCells > 0) {
      DrawOp left = op;
      left.x1 = op.x0 + leftCells * cw;
      scratch_.push_back(left);
    }
    if (rightFirst < cells) {
      DrawOp right = op;
      right.x0 = op.x0 + rightFirst * cw;
      right.firstCell = op.firstCell + rightFirst;
      scratch_.push_back(right);
    }
  }
  row.ops.swap(scratch_);
}

void ScreenDisplayList::AddText(int x, int y, const unsigned char* text, std::size_t len,
                                Colour fore, Colour back) {
  if (len == 0) return;
  DisplayRow* row = RowFor(FloorDiv(y, cellHeight_));
  if (!row) return;
  int cell = FloorDiv(x, cellWidth_);
  std::size_t skip = 0;
  if (cell < 0) {
    skip = static_cast<std::size_t>(-static_cast<long long>(cell));
    if (skip >= len) return;
    cell = 0;
  }
  if (cell >= kMaxCells) return;
  const int count =
      static_cast<int>(std::min(len - skip, static_cast<std::size_t>(kMaxCells - cell)));
  const int x0 = cell * cellWidth_, x1 = (cell + count) * cellWidth_;
  Cover(*row, x0, x1);
  if (row->cells.size() < static_cast<std::size_t>(cell + count))
    row->cells.resize(static_cast<std::size_t>(cell + count), ' ');
  std::memcpy(row->cells.data() + cell, text + skip, static_cast<std::size_t>(count));
  row->ops.push_back({DrawOp::Kind::Text, x0, x1, 0, cellHeight_, fore, back, cell});
  MarkChanged(static_cast<int>(row - rows_.data()));
}

void ScreenDisplayList::AddFill(int x, int y, int w, int h, Colour colour) {
  if (w <= 0 || h <= 0) return;
  const long long bottom = static_cast<long long>(y) + h;  // excluded
  const int first = std::max(FloorDiv(y, cellHeight_), 0);
  const int last = std::min(FloorDiv(bottom - 1, cellHeight_), kMaxRows - 1);
  const int x1 = static_cast<int>(
      std::min<long long>(static_cast<long long>(x) + w, std::numeric_limits<int>::max()));
  for (int r = first; r <= last; ++r) {
    DisplayRow* row = RowFor(r);
    const long long top = static_cast<long long>(r) * cellHeight_;
    const int y0 = static_cast<int>(std::max<long long>(y, top) - top);
    const int y1 = static_cast<int>(std::min<long long>(bottom, top + cellHeight_) - top);
    if (y0 == 0 && y1 == cellHeight_) Cover(*row, x, x1);
    row->ops.push_back({DrawOp::Kind::Fill, x, x1, y0, y1, colour, 0, 0});
    MarkChanged(r);
  }
}

void ScreenDisplayList::AddLine(int x1, int x2, int y, Colour colour) {
  if (x2 <= x1) return;
  const int r = FloorDiv(y, cellHeight_);
  DisplayRow* row = RowFor(r);
  if (!row) return;
  const int y0 = y - r * cellHeight_;
  if (cellHeight_ == 1) Cover(*row, x1, x2);
  row->ops.push_back({DrawOp::Kind::Line, x1, x2, y0, y0 + 1, colour, 0, 0});
  MarkChanged(r);
}
