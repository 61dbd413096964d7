// Screen geometry: reshaping the grid, following the window's size, and the
// scroll-back view over the history ring.
#include <algorithm>
#include <cstdio>

#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"

void CTelnetSession::Reshape(int w, int h) {
  char size[32];
  std::snprintf(size, sizeof size, "%dx%d", w, h);
  m_pFrame->SetPaneText(kPaneSize, size);
  ClearSelection();

  // The region is reset before the window is fitted: a size notification the
  // fit delivers at once may reshape the screen again, and must find (and
  // leave) a region that lies inside it.
  m_Screen.Reshape(w, h);
  StoreScreenSize();
  m_pFrame->SetScrollRange(0, std::max(0, ScrollMax()));
  ScrollView(ScrollCode::Bottom, 0);
  FitWindow();
  RefreshFind();
}

void CTelnetSession::StoreScreenSize() {
  // While connected a host can change the size hundreds of times a second, and
  // every profile write replaces the file on disk: the size then waits for the
  // connected-time tick, the close or the session's end, whichever comes first.
  m_bScreenSizeUnsaved = true;
  if (!IsConnected()) FlushScreenSize();
}

void CTelnetSession::FlushScreenSize() {
  if (!m_bScreenSizeUnsaved) return;
  m_bScreenSizeUnsaved = false;
  keys::Width.Write(m_Profile, m_Screen.Width());
  keys::Height.Write(m_Profile, m_Screen.Height());
}

void CTelnetSession::FitWindow() {
  // Only a real change of size produces a notification to swallow.
  m_bSelfResize = true;
  if (!m_pFrame->FitClientArea(m_Screen.Width() * m_nCharWidth, m_Screen.Height() * m_nCharHeight))
    m_bSelfResize = false;
}

void CTelnetSession::SizeToWindow(int cx, int cy) {
  if (m_bSelfResize) {
    m_bSelfResize = false;
    return;
  }
  // A window that grew gains the cell it shows in part; one that shrank
  // loses every cell it no longer shows in full. A window manager offering
  // whole cells thus gets exactly the cells it offers, so a drag one way
  // only ever reports sizes that move that way.
  const int cw = std::max(m_nCharWidth, 1), ch = std::max(m_nCharHeight, 1);
  const auto cells = [](int pixels, int cell, int now) {
    return pixels > now * cell ? (pixels + cell - 1) / cell : pixels / cell;
  };
  const int columns = cells(cx, cw, m_Screen.Width());
  const int rows = cells(cy, ch, m_Screen.Height());
  Resize(columns, rows);  // below one cell is raised to one by Resize
}

void CTelnetSession::ScrollView(ScrollCode code, int position) {
  const int M = std::max(ScrollMax(), 0);
  int o = m_nScrollBackPos;
  switch (code) {
    case ScrollCode::LineUp:
      if (o >= M) return;
      ++o;
      break;
    case ScrollCode::LineDown:
      if (o == 0) return;
      --o;
      break;
    case ScrollCode::PageUp:
      if (o >= M) return;
      o = std::min(o + m_Screen.Height(), M);
      break;
    case ScrollCode::PageDown:
      if (o == 0) return;
      o = o <= m_Screen.Height() ? 0 : o - m_Screen.Height();
      break;
    case ScrollCode::ThumbPosition:
    case ScrollCode::ThumbTrack:
      o = std::clamp(M - position, 0, M);
      break;
    case ScrollCode::Bottom:
      o = 0;
      break;
    default:
      break;  // Top, EndScroll and unknown codes keep the offset
  }
  m_nScrollBackPos = o;
  ClearSelection();
  m_pFrame->SetScrollPos(M - o);
  m_pFrame->Invalidate();
}

void CTelnetSession::MouseWheel(int delta) {
  ScrollView(delta / 120 > 0 ? ScrollCode::LineUp : ScrollCode::LineDown, 0);
}

const std::string& CTelnetSession::HistoryViewRow(int r) const {
  return m_Screen.HistoryViewRow(m_nScrollBackPos, r);
}
