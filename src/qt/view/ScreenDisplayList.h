#pragma once
// What the session last drew on each screen row, kept as a short list of
// drawing operations. The session draws after every received block; the
// window turns the rows that changed into pixels once per display frame.
//
// A row's list only ever holds what is still visible: an operation that
// covers the row's full height hides what lay under it, so older operations
// there are cut away or dropped. A row drawn again in full therefore replaces
// its list, and the list stays about as long as the row has colour runs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Colour.h"

struct DrawOp {
  enum class Kind : std::uint8_t { Text, Fill, Line };
  Kind kind = Kind::Text;
  // Pixels within the row: columns [x0, x1), rows [y0, y1) from the row's top.
  int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  Colour fore = 0;    // Text: the text colour; Fill and Line: their colour
  Colour back = 0;    // Text: the cell background
  int firstCell = 0;  // Text: its first character in DisplayRow::cells
};

struct DisplayRow {
  std::vector<DrawOp> ops;  // in drawing order
  std::string cells;        // the characters of the text operations, by cell
};

class ScreenDisplayList {
 public:
  // Rows beyond this are never on screen (the screen has at most 255).
  static constexpr int kMaxRows = 256;
  // Cells beyond this are never on screen (the cursor may sit one past 255).
  static constexpr int kMaxCells = 512;

  // Forgets every row; the cell size places the operations on rows and cells.
  void Reset(int cellWidth, int cellHeight);

  // Text on the cell grid: x and y are snapped to the cell the point lies in.
  void AddText(int x, int y, const unsigned char* text, std::size_t len, Colour fore, Colour back);
  void AddFill(int x, int y, int w, int h, Colour colour);
  void AddLine(int x1, int x2, int y, Colour colour);

  int RowCount() const { return static_cast<int>(rows_.size()); }
  const DisplayRow& Row(int r) const { return rows_[static_cast<std::size_t>(r)]; }

  // The rows changed since the last TakeChanged, as a range (first > last: none).
  bool HasChanges() const { return firstChanged_ <= lastChanged_; }
  int FirstChanged() const { return firstChanged_; }
  int LastChanged() const { return lastChanged_; }
  bool IsChanged(int r) const { return changed_[static_cast<std::size_t>(r)] != 0; }
  // Marks every row as painted.
  void TakeChanged();

  int CellWidth() const { return cellWidth_; }
  int CellHeight() const { return cellHeight_; }

 private:
  DisplayRow* RowFor(int r);
  void MarkChanged(int r);
  // Removes what an opaque operation over pixel columns [x0, x1) hides.
  void Cover(DisplayRow& row, int x0, int x1);

  int cellWidth_ = 1;
  int cellHeight_ = 1;
  std::vector<DisplayRow> rows_;
  std::vector<std::uint8_t> changed_;
  int firstChanged_ = 1;
  int lastChanged_ = 0;
  std::vector<DrawOp> scratch_;  // reused by Cover, so covering never allocates
};
