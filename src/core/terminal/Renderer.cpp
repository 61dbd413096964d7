// The session's drawing: the screen or the history view through its
// ScreenPainter, the redraw flags, the cursor panes; font, cell size and colours.
#include <algorithm>

#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"

Colour CTelnetSession::PaletteColour(int index) const {
  return ScreenPainter::PaletteColour(index, m_crForeground, m_crBackground);
}

void CTelnetSession::DrawNow(bool bOnlyDirty) {
  DrawContext& dc = m_pFrame->BeginClientDraw();
  Draw(dc, bOnlyDirty);
  m_pFrame->EndClientDraw();
}

void CTelnetSession::PreparePainter() {
  m_Painter.SetStyle({m_nCharWidth, m_nCharHeight, m_crForeground, m_crBackground, m_bReverseColor,
                      m_bBlockCursor});
}

void CTelnetSession::Draw(DrawContext& dc, bool bOnlyDirty) {
  std::lock_guard lock(m_ScreenLock);
  PreparePainter();
  if (m_nScrollBackPos != 0) {
    m_Painter.DrawHistoryView(dc, m_Screen, m_nScrollBackPos, m_Selection, CurrentFindMarks());
    m_pFrame->SetPaneText(kPaneMessage,
                          "Scroll back mode (Press Pause/Break to return to telnet session)");
    m_pFrame->SetPaneText(kPaneCursor, ScreenPainter::HistoryPaneText(m_Screen, m_nScrollBackPos));
    return;
  }
  if (!bOnlyDirty) m_Screen.MarkAllDirty();
  for (int row = 0; row < m_Screen.Height(); ++row) DrawLine(dc, row);
  m_Painter.DrawCursor(dc, m_Screen);
  // The next drawing repaints this row, which removes the cursor image from it
  // once the cursor has moved on.
  if (m_Screen.Height() > 0) m_Screen.MarkCursorRowDirty();
  UpdateCursorPanes();
}

void CTelnetSession::UpdateCursorPanes() {
  m_pFrame->SetPaneText(kPaneMessage, "Ready");
  m_pFrame->SetPaneText(kPaneCursor, ScreenPainter::CursorPaneText(m_Screen));
}

void CTelnetSession::DrawLine(DrawContext& dc, int row) {
  if (!m_Screen.IsDirty(row)) return;
  m_Painter.DrawRow(dc, m_Screen, row, m_Selection, CurrentFindMarks());
  m_Screen.ClearDirty(row);
}

void CTelnetSession::CreateTerminalFont(FontDescription desc, Colour text, bool bFitWindow) {
  if (desc.faceName.empty()) {
    m_pFrame->ShowMessage("No font is selected", MessageKind::Stop);
    return;
  }
  m_bHasFont = false;
  desc.fixedPitch = true;
  desc.faceName = desc.faceName.substr(0, 31);
  // Whatever the profile or a dialog asked for, the size stored below is the one used.
  desc.heightTenths = BoundedFontTenths(desc.heightTenths);
  int cellWidth = 0, cellHeight = 0;
  if (!m_pFrame->CreateTerminalFont(desc, cellWidth, cellHeight)) {
    m_pFrame->ShowMessage("Font creation failed", MessageKind::Stop);
    return;
  }
  m_bHasFont = true;
  m_Font = desc;
  m_pCodePage = &CodePage::ForFont(desc.faceName, desc.charSet);
  m_nCharWidth = std::max(cellWidth, 1);
  m_nCharHeight = std::max(cellHeight, 1);
  m_crForeground = text;
  if (bFitWindow) FitWindow();
  keys::FontName.Write(m_Profile, desc.faceName);
  keys::FontSize.Write(m_Profile, desc.heightTenths);
  keys::FontItalic.Write(m_Profile, desc.italic ? 1 : 0);
  keys::FontCharSet.Write(m_Profile, desc.charSet & 0xFF);
  keys::ForegroundR.Write(m_Profile, RedOf(text));
  keys::ForegroundG.Write(m_Profile, GreenOf(text));
  keys::ForegroundB.Write(m_Profile, BlueOf(text));
}
