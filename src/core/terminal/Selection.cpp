// The session's selection operations: view points to cells, and the texts of
// the selection and the history (SelectionRange builds them).
#include <algorithm>

#include "terminal/TelnetSession.h"

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
      int col1 = 0, row1 = 0, col2 = 0, row2 = 0;
      PointToCell(x1, y1, col1, row1);
      PointToCell(x2, y2, col2, row2);
      m_Selection.Set(col1, row1, col2, row2);
    }
  }
  DrawNow(false);
}

bool CTelnetSession::HasSelection() const { return m_Selection.Has(); }

std::string CTelnetSession::GetSelectedText() const {
  std::lock_guard lock(m_ScreenLock);
  return m_Selection.Text(m_Screen, m_nScrollBackPos);
}

std::string CTelnetSession::GetBufferText() const {
  std::lock_guard lock(m_ScreenLock);
  return HistoryText(m_Screen);
}
