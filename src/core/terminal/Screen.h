#pragma once
// The emulated screen: the character and attribute grid, the history ring of
// lines that scrolled off, the cursor, the saved cursor, the scroll region and
// the current attribute, with the primitives that change them. It knows
// nothing of telnet, escape sequences, drawing or the window. Its state is
// private: others read it through the const readers below and change it only
// through its operations, so each operation keeps the grid, the cursor and the
// redraw flags consistent.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "text/Attribute.h"

inline constexpr int kMaxScreenSide = 255;

// n copies of byte c, as memset, but inline: the rest of a row is short, and
// a call into the C library costs more than the stores.
inline void FillRun(char* d, std::uint8_t c, int n) {
  const std::uint64_t fill = 0x0101010101010101ULL * c;
  if (n >= 8) {
    for (int i = 0; i < n - 8; i += 8) std::memcpy(d + i, &fill, 8);
    std::memcpy(d + n - 8, &fill, 8);
  } else {
    for (int i = 0; i < n; ++i) d[i] = static_cast<char>(c);
  }
}

// n blank cells: spaces in the default attribute (what every erase leaves).
inline void BlankCells(char* text, char* attrs, int n) {
  FillRun(text, ' ', n);
  FillRun(attrs, kDefaultAttr, n);
}

// Stores n bytes of text and n copies of the attribute byte. Runs of up to 128
// bytes (words between colour changes, a row's text) are moved inline, as
// overlapping moves of 16, 8 or 4 bytes or a byte loop, instead of calls into
// the C library.
inline void StoreRun(char* text, char* attrs, const unsigned char* p, int n, std::uint8_t a) {
  if (n >= 8 && n <= 16) {
    const std::uint64_t fill = 0x0101010101010101ULL * a;
    std::memcpy(text, p, 8);
    std::memcpy(text + n - 8, p + n - 8, 8);
    std::memcpy(attrs, &fill, 8);
    std::memcpy(attrs + n - 8, &fill, 8);
  } else if (n >= 4 && n < 8) {
    const std::uint32_t fill = 0x01010101U * a;
    std::memcpy(text, p, 4);
    std::memcpy(text + n - 4, p + n - 4, 4);
    std::memcpy(attrs, &fill, 4);
    std::memcpy(attrs + n - 4, &fill, 4);
  } else if (n < 4) {
    for (int i = 0; i < n; ++i) {
      text[i] = static_cast<char>(p[i]);
      attrs[i] = static_cast<char>(a);
    }
  } else if (n <= 128) {
    // Sixteen bytes a move, the last one overlapping the one before.
    char fill[16];
    std::memset(fill, a, sizeof fill);
    for (int i = 0; i < n - 16; i += 16) {
      std::memcpy(text + i, p + i, 16);
      std::memcpy(attrs + i, fill, 16);
    }
    std::memcpy(text + n - 16, p + n - 16, 16);
    std::memcpy(attrs + n - 16, fill, 16);
  } else {
    std::memcpy(text, p, static_cast<std::size_t>(n));
    std::memset(attrs, a, static_cast<std::size_t>(n));
  }
}
// Largest history ring accepted (what the Terminal properties dialog allows).
inline constexpr int kMaxBufferSize = 65536;

class TerminalScreen {
 public:
  // --- Characters and lines ------------------------------------------------
  // One byte at the cursor; BS and CR move the cursor as the keyboard's echo needs.
  void PutChar(unsigned char ch);
  // A run of printable bytes, exactly as PutChar one by one.
  void PutRun(const unsigned char* p, int n);
  // REP: the last printed byte n more times through PutChar, so wrapping,
  // the character set and the attribute apply; at most a screenful, and
  // nothing when no byte was printed since the last control or sequence.
  void RepeatLastPrinted(int n);
  // Copies the cursor row into the history ring and moves down, scrolling the
  // region when the cursor leaves its bottom.
  void NewLine();
  void BlankRow(int row);
  void MarkDirty(int first, int last);
  void MarkCursorRowDirty() { m_DirtyLines[static_cast<std::size_t>(m_nCursorRow)] = 1; }

  // --- Erasing ---------------------------------------------------------------
  // Row from column col to its end (the whole row when col <= 0).
  void EraseLine(int row, int col);
  // Every row from row down.
  void EraseBelow(int row);
  // The row's first `cells` cells.
  void EraseLineStart(int row, int cells);
  // Everything before the cursor cell (for ED 1).
  void EraseAbove();
  // Blanks the screen and every history entry.
  void ClearAll();
  // ECH: n cells from the cursor, as EL blanks them, up to the row's end.
  void EraseChars(int n);

  // --- Scrolling and line/character editing ----------------------------------
  // Removes the region's top row and inserts a blank one at its bottom.
  void ScrollRegionUp();
  // Rows top..bottom (0-based) up one.
  void ScrollRowsUp(int top, int bottom);
  void ScrollRegionDown();
  void InsertChars(int n);
  void DeleteChars(int n);
  void InsertLines(int n);
  void DeleteLines(int n);
  // Rows 0..cursor up n; rows below the cursor stay.
  void ScrollUpToCursor(int n);
  void SetScrollRegion(int top, int bottom);
  // The whole screen as the region.
  void ResetScrollRegion() {
    m_nScrollTop = 1;
    m_nScrollBottom = m_nHeight;
  }

  // --- Reading ---------------------------------------------------------------------
  int Width() const { return m_nWidth; }
  int Height() const { return m_nHeight; }
  // 0-based. The column may equal the width (a wrap is pending) or go beyond
  // it after tabs; CursorCellCol() is the cell it stands on.
  int CursorRow() const { return m_nCursorRow; }
  int CursorCol() const { return m_nCursorCol; }
  // Screen row r (0-based): its character bytes and attribute bytes, each
  // Width() long.
  struct RowView {
    const std::string& text;
    const std::string& attrs;
  };
  RowView Row(int r) const { return {m_Text[Physical(r)], m_Attrs[Physical(r)]}; }
  // The attribute given to characters written now.
  std::uint8_t Attr() const { return m_nAttr; }
  // The scroll region, 1-based and inclusive.
  int ScrollTop() const { return m_nScrollTop; }
  int ScrollBottom() const { return m_nScrollBottom; }
  // Lines ever stored in the history ring, and its slots.
  std::uint64_t LineCount() const { return m_nLineCount; }
  unsigned BufferSize() const { return m_nBufferSize; }
  bool LineDrawing() const { return m_bLineDrawing; }
  // Row r changed since it was last drawn.
  bool IsDirty(int r) const { return m_DirtyLines[static_cast<std::size_t>(r)] != 0; }

  // --- Attribute and redraw flags --------------------------------------------------
  void SetAttr(std::uint8_t attr) { m_nAttr = attr; }
  void MarkAllDirty() { std::fill(m_DirtyLines.begin(), m_DirtyLines.end(), 1); }
  // Row r has been drawn.
  void ClearDirty(int r) { m_DirtyLines[static_cast<std::size_t>(r)] = 0; }
  // Replaces row r's attribute bytes (the line check's marks), when the row
  // still exists and the bytes are as long as it; marks the row for drawing.
  bool SetRowAttrs(int row, const std::string& attrs);
  // After a control or a sequence REP has nothing to repeat.
  void ForgetLastPrinted() { m_nLastPrinted = kNothingPrinted; }
  void NoteLastPrinted(unsigned char ch) { m_nLastPrinted = ch; }
  // A new connection: default attribute, ASCII sets, the whole screen as the
  // region, nothing to repeat.
  void ResetForConnection();

  // --- Cursor ------------------------------------------------------------------
  // CUU, CUD, CUF, CUB: n cells from the cursor cell, stopping at the edges;
  // each ends a pending wrap.
  void CursorUp(int n);
  void CursorDown(int n);
  void CursorForward(int n);
  void CursorBackward(int n);
  // VPA: 1-based row n (beyond the screen: the last row); the column stays.
  void CursorToRow(int n);
  // CHA and the like: 0-based column as given; it may lie beyond the last
  // column, and the next printable byte then wraps first.
  void SetCursorCol(int col) { m_nCursorCol = col; }
  void CarriageReturn() { m_nCursorCol = 0; }
  // BS: one cell left of the cursor cell, not before column 0.
  void Backspace() { m_nCursorCol = std::max(CursorCellCol() - 1, 0); }
  // FF: the screen blanked, the cursor home.
  void FormFeed();
  // The cell the cursor stands on. While a wrap is pending (or after a tab
  // took the column past the edge) that is the last column: relative moves
  // start from it, and the cursor is drawn and reported there.
  int CursorCellCol() const { return std::clamp(m_nCursorCol, 0, std::max(m_nWidth - 1, 0)); }
  // CUP: 1-based row and column as the host sends them, 0 for the default 1;
  // positions beyond the screen land on its last row or column.
  void MoveCursorTo(int row, int col) {
    const int r = row == 0 ? 1 : row, c = col == 0 ? 1 : col;
    m_nCursorRow = r > m_nHeight ? m_nHeight - 1 : r - 1;
    m_nCursorCol = c > m_nWidth ? m_nWidth - 1 : c - 1;
  }
  void SaveCursor(bool withAttr);
  void RestoreCursor(bool withAttr);
  // HT n times: the next multiples of 8, with no limit at the right edge
  // (the next printable byte wraps first).
  void TabForward(int n);
  // CBT: back n multiples of 8 from the cursor cell, not before column 0.
  void TabBackward(int n);

  // --- Character sets ------------------------------------------------------------
  // G0 (set = 0) or G1 (set = 1) becomes the line-drawing set or ASCII.
  void DesignateSet(int set, bool lineDrawing);
  // SO selects G1, SI selects G0.
  void ShiftOut(bool on);
  // ASCII in both sets, G0 in use.
  void ResetCharacterSets();

  // --- Size and history --------------------------------------------------------
  // New grid size: the bottom rows stay, the cursor follows its text, the
  // region becomes the whole screen.
  void Reshape(int w, int h);
  // How many lines the view can scroll back: the ring's slots beyond a screenful.
  int ScrollMax() const { return static_cast<int>(m_nBufferSize) - m_nHeight + 1; }
  // The history entry shown on view row r while the view is scrolled back
  // `offset` lines (counted back from the live screen).
  const std::string& HistoryViewRow(int offset, int r) const {
    const std::uint64_t size = m_nBufferSize;
    return HistoryAt(m_nLineCount + size + static_cast<std::uint64_t>(std::max(ScrollMax(), 0)) -
                     static_cast<std::uint64_t>(offset) + static_cast<std::uint64_t>(r));
  }
  // Gives the ring n slots and counts lines afresh from slot 0.
  void SetHistorySize(unsigned n);
  // The ring slot index % m_nBufferSize.
  const std::string& HistoryAt(std::uint64_t index) const {
    return m_History[static_cast<std::size_t>(index % m_nBufferSize)];
  }

  // --- Deferred scrolling ------------------------------------------------------
  // Scrolling and line insertion move entries of a small table of row slots,
  // never the rows. While deferral is on, the rows stay where they are and
  // are reached through the table; turning it off puts them in screen order.
  // Off, every operation puts them in order at once. The session turns it on
  // only around a walk of received bytes, so m_Text and m_Attrs are in order
  // for every reader outside.
  void DeferRotation(bool on);
  bool RotationDeferred() const { return m_bDeferRotation; }

  // The receive loop's view of the screen while it stores text and colour
  // changes: the cursor, the attribute and the cursor row's storage held in
  // locals, which a store into the row cannot alias. Anything else the loop
  // does hands them back to the screen first (Store) and picks them up again
  // afterwards (Load).
  class Lane;

  // The byte REP repeats; kNothingPrinted after a control or a sequence.
  static constexpr int kNothingPrinted = -1;

 private:
  friend struct SessionTestAccess;
  // The row storage of screen row r (0-based), whatever the base.
  std::string& TextRow(int r) { return m_Text[Physical(r)]; }
  std::string& AttrRow(int r) { return m_Attrs[Physical(r)]; }

  // --- State ---------------------------------------------------------------------
  int m_nWidth = 0;
  int m_nHeight = 0;
  // 0-based; the column may equal the width or go beyond it (CursorCol()).
  int m_nCursorCol = 0;
  int m_nCursorRow = 0;
  int m_nSavedCol = 0;
  int m_nSavedRow = 0;
  // The scroll region's first and last rows, 1-based and inclusive (as the
  // host sends them in DECSTBM): rows m_nScrollTop-1 .. m_nScrollBottom-1.
  int m_nScrollTop = 1;
  int m_nScrollBottom = 1;
  // Lines ever stored in the ring; the next one goes to slot
  // m_nLineCount % m_nBufferSize, which is also the oldest entry.
  std::uint64_t m_nLineCount = 0;
  unsigned m_nBufferSize = 0;
  std::uint8_t m_nAttr = kDefaultAttr;
  std::uint8_t m_nSavedAttr = kDefaultAttr;
  // The set in use (G1 after SO, else G0) is the line-drawing set: bytes
  // are shown through kLineDrawing. Follows the three below.
  bool m_bLineDrawing = false;
  bool m_bG0LineDrawing = false;
  bool m_bG1LineDrawing = false;
  bool m_bShiftOut = false;
  int m_nLastPrinted = kNothingPrinted;
  // Rows changed since they were last drawn (1) or not (0).
  std::vector<std::uint8_t> m_DirtyLines;
  std::vector<std::string> m_Text;
  std::vector<std::string> m_Attrs;
  std::vector<std::string> m_History;

  std::size_t Physical(int r) const {
    return static_cast<std::size_t>(*(m_RowSlots.data() + m_nFirstSlot + r));
  }
  int* Slots() { return m_RowSlots.data() + m_nFirstSlot; }
  // Every screen row in its own storage row, the window of slots in the middle.
  void ResetSlots();
  // The slots of rows top..bottom (0-based) move one place up or down.
  void RotateSlotsUp(int top, int bottom);
  void RotateSlotsDown(int top, int bottom);
  // Screen rows [first, last) as std::rotate turns them: row `middle` comes first.
  void RotateSlots(int first, int middle, int last);
  // Ends an operation that moved slots: rows back in order unless deferred.
  void RowsMoved();
  // Puts the rows back in screen order (slots the identity).
  void NormalizeRows();

  // m_RowSlots[m_nFirstSlot + r] is the storage row of screen row r. The
  // table holds three screens of slots, so a whole-screen scroll just moves
  // the window's start one slot on (and the window back, once in a while).
  std::vector<int> m_RowSlots;
  int m_nFirstSlot = 0;
  bool m_bRowsMoved = false;  // the slots are not the identity
  bool m_bDeferRotation = false;
  std::vector<std::string> m_SpareRows;  // reused by NormalizeRows
};

class TerminalScreen::Lane {
 public:
  explicit Lane(TerminalScreen& screen) : screen_(screen) { Load(); }

  void Load() {
    LoadCursor();
    width_ = screen_.m_nWidth;
    attr_ = screen_.m_nAttr;
    lineDrawing_ = screen_.m_bLineDrawing;
  }
  // After a cursor move only.
  void LoadCursor() {
    const int row = screen_.m_nCursorRow;
    text_ = screen_.TextRow(row).data();
    attrs_ = screen_.AttrRow(row).data();
    col_ = screen_.m_nCursorCol;
  }
  // After a change of the character sets only.
  void LoadCharacterSet() { lineDrawing_ = screen_.m_bLineDrawing; }
  void Store() const {
    screen_.m_nCursorCol = col_;
    screen_.m_nAttr = attr_;
  }
  std::uint8_t& Attr() { return attr_; }
  // A run that fits on the cursor row, exactly as TerminalScreen::PutRun
  // would store it; false leaves it to PutRun (wrapping, line drawing).
  bool Put(const unsigned char* p, int n) {
    if (lineDrawing_ || n > width_ - col_) return false;
    StoreRun(text_ + col_, attrs_ + col_, p, n, attr_);
    screen_.MarkCursorRowDirty();
    col_ += n;
    return true;
  }
  void CarriageReturn() {
    col_ = 0;
    screen_.MarkCursorRowDirty();
  }
  // EL 0: the cursor cell to the end of the row, as TerminalScreen::EraseLine.
  void EraseToEnd() {
    if (col_ < width_) BlankCells(text_ + col_, attrs_ + col_, width_ - col_);
    screen_.MarkCursorRowDirty();
  }

 private:
  TerminalScreen& screen_;
  char* text_ = nullptr;
  char* attrs_ = nullptr;
  int col_ = 0;
  int width_ = 0;
  std::uint8_t attr_ = 0;
  bool lineDrawing_ = false;
};
