// The mouse selection and the texts built from it and from the history.
#include <algorithm>

#include "terminal/ByteClasses.h"
#include "terminal/TelnetSession.h"

namespace {
void TrimRight(std::string& s) { s.resize(TrimmedLength(s)); }

// Characters [from, to) of a row or entry; empty when from lies beyond its end.
std::string Slice(const std::string& line, int from, int to) {
  const int len = static_cast<int>(line.size());
  from = std::max(from, 0);
  to = std::min(to, len);
  return from < to
             ? line.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from))
             : std::string();
}
}  // namespace

// A point beyond the screen (the window may be larger than the screen while a
// size change waits for the host, or the mouse left the window during a drag)
// is taken as the nearest cell on screen, so no text is read beyond it.
void CTelnetSession::PointToCell(int x, int y, int& col, int& row) const {
  col = std::clamp(x / std::max(m_nCharWidth, 1), 0, std::max(m_Screen.Width() - 1, 0));
  row = std::clamp(y / std::max(m_nCharHeight, 1), 0, std::max(m_Screen.Height() - 1, 0));
}

void CTelnetSession::SetSelection(int x1, int y1, int x2, int y2) {
  {
    std::lock_guard lock(m_ScreenLock);
    if (x1 == x2 && y1 == y2) {
      ClearSelection();
    } else {
      PointToCell(x1, y1, m_nSelStartCol, m_nSelStartRow);
      PointToCell(x2, y2, m_nSelEndCol, m_nSelEndRow);
      if (m_nSelEndRow < m_nSelStartRow ||
          (m_nSelEndRow == m_nSelStartRow && m_nSelEndCol < m_nSelStartCol)) {
        std::swap(m_nSelStartCol, m_nSelEndCol);
        std::swap(m_nSelStartRow, m_nSelEndRow);
      }
    }
  }
  DrawNow(false);
}

bool CTelnetSession::HasSelection() const {
  return !(m_nSelStartCol == -1 && m_nSelStartRow == -1) &&
         !(m_nSelEndCol == -1 && m_nSelEndRow == -1);
}

std::string CTelnetSession::GetSelectedText() const {
  std::lock_guard lock(m_ScreenLock);
  if (!HasSelection()) return {};
  const int startRow = std::clamp(m_nSelStartRow, 0, m_Screen.Height() - 1);
  const int endRow = std::clamp(m_nSelEndRow, 0, m_Screen.Height() - 1);
  const int startCol = m_nSelStartCol, endCol = m_nSelEndCol;
  const bool live = m_nScrollBackPos == 0;
  auto line = [&](int r) -> const std::string& {
    return live ? m_Screen.Row(r).text : HistoryViewRow(r);
  };

  if (startRow == endRow) return Slice(line(startRow), startCol, endCol + 1);
  std::string text;
  std::string part = Slice(line(startRow), startCol, static_cast<int>(line(startRow).size()));
  if (live) TrimRight(part);
  text += part + "\r\n";
  for (int r = startRow + 1; r < endRow; ++r) {
    part = line(r);
    if (live) TrimRight(part);
    text += part + "\r\n";
  }
  text += Slice(line(endRow), 0, endCol + 1);
  // The history view ends a selection of several rows with a line end too.
  if (!live) text += "\r\n";
  return text;
}

std::string CTelnetSession::GetBufferText() const {
  std::lock_guard lock(m_ScreenLock);
  std::string text;
  for (unsigned i = 0; i < m_Screen.BufferSize(); ++i) {
    text += m_Screen.HistoryAt(m_Screen.LineCount() + i);
    text += "\r\n";
  }
  const auto first = std::find_if(text.begin(), text.end(),
                                  [](char c) { return !IsCSpace(static_cast<unsigned char>(c)); });
  text.erase(text.begin(), first);
  TrimRight(text);
  return text;
}
