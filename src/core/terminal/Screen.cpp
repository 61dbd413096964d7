// The screen's primitives: characters, line feeds, erasing, scrolling and
// reshaping the grid. Scrolling moves row handles, never characters.
#include "terminal/Screen.h"

#include <cstring>

#include "terminal/ByteClasses.h"
#include "terminal/Controls.h"

namespace {
// More than any string keeps inside itself, so a reserve of it allocates.
constexpr std::size_t kHeapStringBytes = 32;
}  // namespace

void TerminalScreen::PutChar(unsigned char ch) {
  if (ch == ctl::kBs) {
    m_nCursorCol = std::max(CursorCellCol() - 1, 0);
    return;
  }
  if (ch == ctl::kCr) {
    NewLine();
    m_nCursorCol = 0;
    return;
  }
  m_nLastPrinted = ch;
  if (m_bLineDrawing) ch = kLineDrawing[ch];
  if (m_nCursorCol >= m_nWidth) {
    NewLine();
    m_nCursorCol = 0;
  }
  TextRow(m_nCursorRow)[m_nCursorCol] = static_cast<char>(ch);
  AttrRow(m_nCursorRow)[m_nCursorCol] = static_cast<char>(m_nAttr);
  ++m_nCursorCol;
}

// A row segment at a time.
void TerminalScreen::PutRun(const unsigned char* p, int n) {
  if (n > 0) m_nLastPrinted = p[n - 1];
  while (n > 0) {
    if (m_nCursorCol >= m_nWidth) {
      NewLine();
      m_nCursorCol = 0;
    }
    const int k = std::min(n, m_nWidth - m_nCursorCol);
    char* text = TextRow(m_nCursorRow).data() + m_nCursorCol;
    char* attrs = AttrRow(m_nCursorRow).data() + m_nCursorCol;
    if (m_bLineDrawing) {
      for (int i = 0; i < k; ++i) text[i] = static_cast<char>(kLineDrawing[p[i]]);
      std::memset(attrs, m_nAttr, static_cast<std::size_t>(k));
    } else {
      StoreRun(text, attrs, p, k, m_nAttr);
    }
    m_DirtyLines[m_nCursorRow] = 1;
    m_nCursorCol += k;
    p += k;
    n -= k;
  }
}

void TerminalScreen::RepeatLastPrinted(int n) {
  if (m_nLastPrinted == kNothingPrinted) return;
  const auto ch = static_cast<unsigned char>(m_nLastPrinted);
  // A hostile count must not stall the receive loop: a screenful shows the same.
  // Put as runs, which mark every row they touch.
  unsigned char run[256];
  std::memset(run, ch, sizeof run);
  for (int left = std::min(n, m_nWidth * m_nHeight); left > 0;) {
    const int k = std::min(left, static_cast<int>(sizeof run));
    PutRun(run, k);
    left -= k;
  }
}

void TerminalScreen::NewLine() {
  const std::string& row = TextRow(m_nCursorRow);
  const std::size_t slot = m_nLineCount % m_nBufferSize;
  m_History[slot].assign(row, 0, TrimmedLength(row));
  ++m_nLineCount;
  // A long history is mostly out of cache: ask now for the entries the next
  // line feeds write, the characters of the next one and the string two
  // ahead (whose characters the next line feed asks for in turn).
  const std::size_t next = slot + 1 < m_History.size() ? slot + 1 : 0;
  __builtin_prefetch(m_History[next].data(), 1);
  __builtin_prefetch(&m_History[next + 1 < m_History.size() ? next + 1 : 0], 1);

  ++m_nCursorRow;
  if (m_nCursorRow < m_nScrollBottom) return;
  ScrollRegionUp();
  m_nCursorRow = m_nScrollBottom - 1;
}

void TerminalScreen::BlankRow(int row) {
  std::string& text = TextRow(row);
  std::string& attrs = AttrRow(row);
  const auto width = static_cast<std::size_t>(m_nWidth);
  if (text.size() == width && attrs.size() == width) {  // always, once shaped: no reallocation
    std::memset(text.data(), ' ', width);
    std::memset(attrs.data(), kDefaultAttr, width);
  } else {
    text.assign(width, ' ');
    attrs.assign(width, static_cast<char>(kDefaultAttr));
  }
}

void TerminalScreen::MarkDirty(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, m_nHeight - 1);
  if (first <= last) std::fill(m_DirtyLines.begin() + first, m_DirtyLines.begin() + last + 1, 1);
}

void TerminalScreen::ScrollRegionUp() { ScrollRowsUp(m_nScrollTop - 1, m_nScrollBottom - 1); }

void TerminalScreen::ScrollRowsUp(int top, int bottom) {
  RotateSlotsUp(top, bottom);
  BlankRow(bottom);
  MarkDirty(top, bottom);
  RowsMoved();
}

void TerminalScreen::ScrollRegionDown() {
  const int top = m_nScrollTop - 1, bottom = m_nScrollBottom - 1;
  RotateSlotsDown(top, bottom);
  BlankRow(top);
  MarkDirty(top, bottom);
  RowsMoved();
}

void TerminalScreen::EraseLine(int row, int col) {
  if (row < 0 || row >= m_nHeight) return;
  if (col <= 0) {
    BlankRow(row);
  } else if (col < m_nWidth) {
    BlankCells(TextRow(row).data() + col, AttrRow(row).data() + col, m_nWidth - col);
  }
  m_DirtyLines[row] = 1;
}

void TerminalScreen::EraseBelow(int row) {
  for (int r = std::max(row, 0); r < m_nHeight; ++r) EraseLine(r, 0);
}

void TerminalScreen::EraseLineStart(int row, int cells) {
  std::memset(TextRow(row).data(), ' ', static_cast<std::size_t>(cells));
  std::memset(AttrRow(row).data(), kDefaultAttr, static_cast<std::size_t>(cells));
  m_DirtyLines[row] = 1;
}

void TerminalScreen::EraseAbove() {
  for (int r = 0; r < m_nCursorRow; ++r) EraseLine(r, 0);
  EraseLineStart(m_nCursorRow, std::min(m_nCursorCol, m_nWidth));
}

void TerminalScreen::ClearAll() {
  EraseBelow(0);
  for (std::string& entry : m_History) entry.assign(static_cast<std::size_t>(m_nWidth), ' ');
}

void TerminalScreen::EraseChars(int n) {
  const int col = m_nCursorCol;
  if (col < m_nWidth) {
    const auto k = static_cast<std::size_t>(std::min(n, m_nWidth - col));
    std::memset(TextRow(m_nCursorRow).data() + col, ' ', k);
    std::memset(AttrRow(m_nCursorRow).data() + col, kDefaultAttr, k);
  }
  MarkCursorRowDirty();
}

// Attributes stay where they are.
void TerminalScreen::InsertChars(int n) {
  const int col = m_nCursorCol;
  if (col >= m_nWidth) return;
  char* text = TextRow(m_nCursorRow).data();
  if (col + n >= m_nWidth) {
    std::memset(text + col, ' ', static_cast<std::size_t>(m_nWidth - col));
  } else {
    std::memmove(text + col + n, text + col, static_cast<std::size_t>(m_nWidth - col - n));
    std::memset(text + col, ' ', static_cast<std::size_t>(n));
  }
}

// Attributes stay where they are.
void TerminalScreen::DeleteChars(int n) {
  const int col = m_nCursorCol;
  const int k = std::min(n, m_nWidth);
  char* text = TextRow(m_nCursorRow).data();
  if (col < m_nWidth - k)
    std::memmove(text + col, text + col + k, static_cast<std::size_t>(m_nWidth - k - col));
  std::memset(text + m_nWidth - k, ' ', static_cast<std::size_t>(k));
}

// The bottom rows of the screen (not of the region) fall off.
void TerminalScreen::InsertLines(int n) {
  const int row = m_nCursorRow;
  const int k = std::min(n, m_nHeight - row);
  RotateSlots(row, m_nHeight - k, m_nHeight);
  for (int r = row; r < row + k; ++r) BlankRow(r);
  MarkDirty(row, m_nHeight - 1);
  RowsMoved();
}

// Blank rows enter at the bottom of the screen (not of the region).
void TerminalScreen::DeleteLines(int n) {
  const int row = m_nCursorRow;
  const int k = std::min(n, m_nHeight - row);
  RotateSlots(row, row + k, m_nHeight);
  for (int r = m_nHeight - k; r < m_nHeight; ++r) BlankRow(r);
  MarkDirty(row, m_nHeight - 1);
  RowsMoved();
}

void TerminalScreen::ScrollUpToCursor(int n) {
  const int row = m_nCursorRow;
  const int k = std::min(n, row + 1);
  RotateSlots(0, k, row + 1);
  for (int r = row - k + 1; r <= row; ++r) BlankRow(r);
  MarkDirty(0, row);
  RowsMoved();
}

// Equal bounds (both absent included) select the whole screen. Otherwise an
// absent or zero bound means the screen's edge, bounds beyond the screen are
// pulled onto it, and a region whose top would lie below its bottom is
// refused, so the region always stays inside the screen.
void TerminalScreen::SetScrollRegion(int top, int bottom) {
  if (top == bottom) {
    ResetScrollRegion();
    return;
  }
  top = std::clamp(top == 0 ? 1 : top, 1, m_nHeight);
  bottom = std::clamp(bottom == 0 ? m_nHeight : bottom, 1, m_nHeight);
  if (top > bottom) return;
  m_nScrollTop = top;
  m_nScrollBottom = bottom;
}

namespace {
// Column at which tabs stop advancing: far beyond any screen, so behaviour on
// screen is unchanged, but a host sending endless tabs cannot overflow it.
constexpr int kMaxTabColumn = 1 << 20;
constexpr int kTabWidth = 8;
}  // namespace

void TerminalScreen::TabForward(int n) {
  if (m_nCursorCol >= kMaxTabColumn) return;
  const int stops = std::min(n, kMaxTabColumn / kTabWidth);
  m_nCursorCol = std::min((m_nCursorCol / kTabWidth + stops) * kTabWidth, kMaxTabColumn);
}

void TerminalScreen::TabBackward(int n) {
  const int col = CursorCellCol();
  if (col == 0) return;
  // The first step reaches the stop before the cursor, every further one the stop before that.
  const int stop = (col - 1) / kTabWidth - (n - 1);
  m_nCursorCol = std::max(stop, 0) * kTabWidth;
}

void TerminalScreen::DesignateSet(int set, bool lineDrawing) {
  (set == 0 ? m_bG0LineDrawing : m_bG1LineDrawing) = lineDrawing;
  m_bLineDrawing = m_bShiftOut ? m_bG1LineDrawing : m_bG0LineDrawing;
}

void TerminalScreen::ShiftOut(bool on) {
  m_bShiftOut = on;
  m_bLineDrawing = m_bShiftOut ? m_bG1LineDrawing : m_bG0LineDrawing;
}

void TerminalScreen::ResetCharacterSets() {
  m_bG0LineDrawing = m_bG1LineDrawing = m_bShiftOut = m_bLineDrawing = false;
}

// Relative moves start from the cursor cell, so they end a pending wrap.
void TerminalScreen::CursorUp(int n) {
  m_nCursorRow = std::max(m_nCursorRow - n, 0);
  m_nCursorCol = CursorCellCol();
}

void TerminalScreen::CursorDown(int n) {
  m_nCursorRow = std::min(m_nCursorRow + n, m_nHeight - 1);
  m_nCursorCol = CursorCellCol();
}

void TerminalScreen::CursorForward(int n) {
  m_nCursorCol = std::min(CursorCellCol() + n, m_nWidth - 1);
}

void TerminalScreen::CursorBackward(int n) { m_nCursorCol = std::max(CursorCellCol() - n, 0); }

void TerminalScreen::CursorToRow(int n) {
  m_nCursorRow = std::min(n - 1, m_nHeight - 1);
  m_nCursorCol = CursorCellCol();
}

void TerminalScreen::FormFeed() {
  EraseBelow(0);
  m_nCursorRow = m_nCursorCol = 0;
}

bool TerminalScreen::SetRowAttrs(int row, const std::string& attrs) {
  if (row < 0 || row >= m_nHeight || attrs.size() != static_cast<std::size_t>(m_nWidth))
    return false;
  AttrRow(row) = attrs;
  m_DirtyLines[static_cast<std::size_t>(row)] = 1;
  return true;
}

void TerminalScreen::ResetForConnection() {
  m_nAttr = kDefaultAttr;
  ResetCharacterSets();
  m_nLastPrinted = kNothingPrinted;
  ResetScrollRegion();
}

void TerminalScreen::SaveCursor(bool withAttr) {
  m_nSavedCol = m_nCursorCol;
  m_nSavedRow = m_nCursorRow;
  if (withAttr) m_nSavedAttr = m_nAttr;
}

// A saved row below a screen that shrank since lands on the last row.
void TerminalScreen::RestoreCursor(bool withAttr) {
  m_nCursorCol = m_nSavedCol;
  m_nCursorRow = std::min(m_nSavedRow, m_nHeight - 1);
  if (withAttr) m_nAttr = m_nSavedAttr;
}

void TerminalScreen::Reshape(int w, int h) {
  NormalizeRows();
  const int oldHeight = m_nHeight;
  const int shift = oldHeight > h ? oldHeight - h : 0;
  if (shift > 0) {
    // The top rows leave the screen (not into the history); the bottom ones stay.
    m_Text.erase(m_Text.begin(), m_Text.begin() + shift);
    m_Attrs.erase(m_Attrs.begin(), m_Attrs.begin() + shift);
  }
  m_Text.resize(static_cast<std::size_t>(h));
  m_Attrs.resize(static_cast<std::size_t>(h));
  m_DirtyLines.assign(static_cast<std::size_t>(h), 1);
  const int keep = std::min(oldHeight, h);
  for (int i = 0; i < keep; ++i) {
    m_Text[i].resize(static_cast<std::size_t>(w), ' ');
    m_Attrs[i].resize(static_cast<std::size_t>(w), static_cast<char>(kDefaultAttr));
  }
  m_nWidth = w;
  m_nHeight = h;
  ResetSlots();
  EraseBelow(keep);

  if (w < m_nCursorCol) {
    m_nCursorCol = 0;
    ++m_nCursorRow;
  }
  m_nCursorRow -= shift;
  if (m_nCursorRow < 0) {
    m_nCursorRow = 0;
    m_nCursorCol = 0;
  }
  if (m_nCursorRow >= h) {
    // The cursor was pushed below the last row: scroll the screen up one line,
    // as a line feed there would, so no text is overwritten.
    ScrollRowsUp(0, h - 1);
    m_nCursorRow = h - 1;
  }
  ResetScrollRegion();
}

void TerminalScreen::DeferRotation(bool on) {
  if (!on) NormalizeRows();
  m_bDeferRotation = on;
}

void TerminalScreen::ResetSlots() {
  const int h = m_nHeight;
  m_RowSlots.assign(3 * static_cast<std::size_t>(h), 0);
  m_nFirstSlot = h;
  int* slots = Slots();
  for (int r = 0; r < h; ++r) slots[r] = r;
  m_bRowsMoved = false;
}

void TerminalScreen::RotateSlotsUp(int top, int bottom) {
  const int h = m_nHeight;
  if (top == 0 && bottom == h - 1) {
    // The whole screen: the window starts one slot later, and the old top
    // row's slot follows it as the new bottom one.
    if (m_nFirstSlot + h >= static_cast<int>(m_RowSlots.size())) {
      std::copy(Slots(), Slots() + h, m_RowSlots.begin());
      m_nFirstSlot = 0;
    }
    Slots()[h] = *Slots();
    ++m_nFirstSlot;
    m_bRowsMoved = true;
  } else {
    RotateSlots(top, top + 1, bottom + 1);
  }
}

void TerminalScreen::RotateSlotsDown(int top, int bottom) {
  const int h = m_nHeight;
  if (top == 0 && bottom == h - 1) {
    if (m_nFirstSlot == 0) {
      const int last = static_cast<int>(m_RowSlots.size()) - h;
      std::copy(Slots(), Slots() + h, m_RowSlots.begin() + last);
      m_nFirstSlot = last;
    }
    --m_nFirstSlot;
    *Slots() = Slots()[h];
    m_bRowsMoved = true;
  } else {
    RotateSlots(top, bottom, bottom + 1);
  }
}

void TerminalScreen::RotateSlots(int first, int middle, int last) {
  int* slots = Slots();
  std::rotate(slots + first, slots + middle, slots + last);
  m_bRowsMoved = true;
}

void TerminalScreen::RowsMoved() {
  if (!m_bDeferRotation) NormalizeRows();
}

void TerminalScreen::NormalizeRows() {
  if (!m_bRowsMoved) return;
  const auto h = static_cast<std::size_t>(m_nHeight);
  // Each row is swapped into a spare vector in screen order, which then
  // becomes the screen; no characters are copied and nothing is allocated
  // once the spare vector has its size.
  if (m_SpareRows.size() != h) {
    m_SpareRows.resize(h);
    // Spare strings on the heap from the start: swapping two such strings
    // only exchanges their pointers, where a short string kept inside the
    // object would be copied. They stay on the heap, swap after swap.
    for (std::string& spare : m_SpareRows) spare.reserve(kHeapStringBytes);
  }
  for (std::vector<std::string>* rows : {&m_Text, &m_Attrs}) {
    for (std::size_t r = 0; r < h; ++r) m_SpareRows[r].swap((*rows)[Physical(static_cast<int>(r))]);
    rows->swap(m_SpareRows);
  }
  ResetSlots();
}

void TerminalScreen::SetHistorySize(unsigned n) {
  m_nBufferSize = n;
  m_History.resize(m_nBufferSize);
  m_nLineCount = 0;
}
