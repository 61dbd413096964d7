// ESC and CSI sequences: cursor movement, erasing, line and character
// operations, scroll regions, attributes, the line-drawing set.
#include <algorithm>
#include <cstring>

#include "terminal/TelnetSession.h"

namespace {
// Parameters saturate here. Every count or position this large already means
// "the whole screen", so nothing visible changes, and no arithmetic overflows.
constexpr int kMaxParameter = 65535;
constexpr int kMaxParameters = 5;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
}  // namespace

int CTelnetSession::ParseNumber(const unsigned char** pp, const unsigned char* end) {
  const unsigned char* p = *pp;
  if (p >= end) return 0;
  int value = 0;
  while (p < end && IsDigit(*p)) {
    value = std::min(value * 10 + (*p - '0'), kMaxParameter);
    ++p;
  }
  *pp = p;
  return p >= end ? 0 : value;
}

const unsigned char* CTelnetSession::ParseEscape(const unsigned char* p, const unsigned char* end) {
  if (p >= end) return nullptr;
  switch (*p) {
    case '7':
      m_nSavedCol = m_nCursorCol;
      m_nSavedRow = m_nCursorRow;
      m_nSavedAttr = m_nAttr;
      return p;
    case '8':
      m_nCursorCol = m_nSavedCol;
      m_nCursorRow = std::min(m_nSavedRow, m_nHeight - 1);
      m_nAttr = m_nSavedAttr;
      return p;
    case '=':
    case '>':
    case 'E':
    case 'H':
      return p;
    case 'D':
      ScrollRegionUp();
      return p;
    case 'M':
      ScrollRegionDown();
      return p;
    case '(':
      if (p + 1 >= end) return nullptr;
      switch (p[1]) {
        case '0':
          m_bLineDrawing = true;
          return p + 1;
        case 'B':
          m_bLineDrawing = false;
          return p + 1;
        case '1':
        case 'A':
        case 'S':
          return p + 1;
        default:
          return p;  // the designator byte is then shown as text
      }
    case '[':
      break;
    default:
      return p - 1;  // only the ESC is consumed
  }

  const unsigned char* cur = p;
  bool privateMode = false;
  if (cur + 1 < end && cur[1] == '?') {
    privateMode = true;
    ++cur;
  }
  int params[kMaxParameters] = {};
  int count = 0;
  for (;;) {
    ++cur;
    params[count++] = ParseNumber(&cur, end);
    if (cur >= end) return nullptr;
    if (*cur == ';' && count < kMaxParameters) continue;
    break;
  }
  if (!privateMode) ApplyControlSequence(*cur, params, count);
  return cur;
}

void CTelnetSession::ApplyControlSequence(unsigned char final, const int* params, int count) {
  const int p1 = params[0];
  const int n = p1 == 0 ? 1 : p1;
  int& row = m_nCursorRow;
  int& col = m_nCursorCol;
  switch (final) {
    case '@': {  // insert blank characters; attributes stay
      if (col >= m_nWidth) break;
      char* text = m_Text[row].data();
      if (col + n >= m_nWidth) {
        std::memset(text + col, ' ', static_cast<std::size_t>(m_nWidth - col));
      } else {
        std::memmove(text + col + n, text + col, static_cast<std::size_t>(m_nWidth - col - n));
        std::memset(text + col, ' ', static_cast<std::size_t>(n));
      }
      break;
    }
    // Relative moves end a pending wrap: they start from the last column.
    case 'A':
      row = std::max(row - n, 0);
      col = CursorCellCol();
      break;
    case 'B':
      row = std::min(row + n, m_nHeight - 1);
      col = CursorCellCol();
      break;
    case 'C':
      col = std::min(CursorCellCol() + n, m_nWidth - 1);
      break;
    case 'D':
      col = std::max(CursorCellCol() - n, 0);
      break;
    case 'G':
      col = n - 1;
      if (col >= m_nWidth) Resize(n, m_nHeight);
      break;
    case 'H':
    case 'f': {
      const int r = p1 == 0 ? 1 : p1;
      const int c = (count > 1 && params[1] != 0) ? params[1] : 1;
      row = r > m_nHeight ? m_nHeight - 1 : r - 1;
      col = c > m_nWidth ? m_nWidth - 1 : c - 1;
      break;
    }
    case 'J':
      if (p1 == 0) {
        EraseLine(row, col);
        EraseBelow(row + 1);
      } else if (p1 == 1) {
        for (int r = 0; r < row; ++r) EraseLine(r, 0);
        const int cells = std::min(col, m_nWidth);
        std::memset(m_Text[row].data(), ' ', static_cast<std::size_t>(cells));
        std::memset(m_Attrs[row].data(), kDefaultAttr, static_cast<std::size_t>(cells));
        m_DirtyLines[row] = 1;
      } else if (p1 == 2) {
        EraseBelow(0);
      }
      break;
    case 'K':
      if (p1 == 0) {
        EraseLine(row, col);
      } else if (p1 == 1) {
        const int cells = std::min(col + 1, m_nWidth);
        std::memset(m_Text[row].data(), ' ', static_cast<std::size_t>(cells));
        std::memset(m_Attrs[row].data(), kDefaultAttr, static_cast<std::size_t>(cells));
        m_DirtyLines[row] = 1;
      } else if (p1 == 2) {
        EraseLine(row, 0);
      }
      break;
    case 'L': {  // insert lines at the cursor; the bottom rows fall off
      const int k = std::min(n, m_nHeight - row);
      std::rotate(m_Text.begin() + row, m_Text.end() - k, m_Text.end());
      std::rotate(m_Attrs.begin() + row, m_Attrs.end() - k, m_Attrs.end());
      for (int r = row; r < row + k; ++r) BlankRow(r);
      MarkDirty(row, m_nHeight - 1);
      break;
    }
    case 'M': {  // delete lines at the cursor; blank rows enter at the bottom
      const int k = std::min(n, m_nHeight - row);
      std::rotate(m_Text.begin() + row, m_Text.begin() + row + k, m_Text.end());
      std::rotate(m_Attrs.begin() + row, m_Attrs.begin() + row + k, m_Attrs.end());
      for (int r = m_nHeight - k; r < m_nHeight; ++r) BlankRow(r);
      MarkDirty(row, m_nHeight - 1);
      break;
    }
    case 'P': {  // delete characters; attributes stay
      const int k = std::min(n, m_nWidth);
      char* text = m_Text[row].data();
      if (col < m_nWidth - k)
        std::memmove(text + col, text + col + k, static_cast<std::size_t>(m_nWidth - k - col));
      std::memset(text + m_nWidth - k, ' ', static_cast<std::size_t>(k));
      break;
    }
    case 'S': {  // scroll rows 0..cursor up; rows below the cursor stay
      const int k = std::min(n, row + 1);
      std::rotate(m_Text.begin(), m_Text.begin() + k, m_Text.begin() + row + 1);
      std::rotate(m_Attrs.begin(), m_Attrs.begin() + k, m_Attrs.begin() + row + 1);
      for (int r = row - k + 1; r <= row; ++r) BlankRow(r);
      MarkDirty(0, row);
      break;
    }
    case 'd':
      row = std::min(n - 1, m_nHeight - 1);
      col = 0;
      break;
    case 'm':
      SetAttributes(params, count);
      break;
    case 'r':
      SetScrollRegion(p1, count > 1 ? params[1] : 0);
      break;
    case 's':
      m_nSavedCol = col;
      m_nSavedRow = row;
      break;
    case 'u':
      col = m_nSavedCol;
      row = std::min(m_nSavedRow, m_nHeight - 1);
      break;
    default:
      break;  // unsupported final byte: consumed without effect
  }
}

void CTelnetSession::SetAttributes(const int* params, int count) {
  for (int i = 0; i < count; ++i) {
    const int v = params[i];
    if (v == 0) {
      m_nAttr = kDefaultAttr;
    } else if (v == 1) {
      m_nAttr |= 0x01;
    } else if (v == 7) {
      m_nAttr ^= 0x02;
    } else if (v == 22) {
      m_nAttr &= static_cast<std::uint8_t>(~0x01);
    } else if (v >= 30 && v <= 37) {
      m_nAttr = static_cast<std::uint8_t>((m_nAttr & ~0x1C) | ((v - 30) << 2));
    } else if (v >= 40 && v <= 47) {
      m_nAttr = static_cast<std::uint8_t>((m_nAttr & ~0xE0) | ((v - 40) << 5));
    }
  }
}

// Equal bounds (both absent included) select the whole screen. Otherwise an
// absent or zero bound means the screen's edge, bounds beyond the screen are
// pulled onto it, and a region whose top would lie below its bottom is
// refused, so the region always stays inside the screen.
void CTelnetSession::SetScrollRegion(int top, int bottom) {
  if (top == bottom) {
    m_nScrollTop = 1;
    m_nScrollBottom = m_nHeight;
    return;
  }
  top = std::clamp(top == 0 ? 1 : top, 1, m_nHeight);
  bottom = std::clamp(bottom == 0 ? m_nHeight : bottom, 1, m_nHeight);
  if (top > bottom) return;
  m_nScrollTop = top;
  m_nScrollBottom = bottom;
}
