// Turns the screen (or the history view) into text runs, fills and the cursor
// on a DrawContext, and keeps the font, cell size and colours.
#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"

namespace {
constexpr Colour kFixedPalette[16] = {0,
                                      MakeColour(128, 0, 0),
                                      MakeColour(0, 128, 0),
                                      MakeColour(128, 128, 0),
                                      MakeColour(0, 0, 128),
                                      MakeColour(128, 0, 128),
                                      MakeColour(0, 128, 128),
                                      0,
                                      MakeColour(128, 128, 128),
                                      MakeColour(255, 0, 0),
                                      MakeColour(0, 255, 0),
                                      MakeColour(255, 255, 0),
                                      MakeColour(0, 0, 255),
                                      MakeColour(255, 0, 255),
                                      MakeColour(0, 255, 255),
                                      MakeColour(255, 255, 255)};

const unsigned char* Bytes(const std::string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

// The first byte in [p, limit) other than c, or limit. Eight bytes are
// compared at a time: XOR with c repeated leaves zero bytes where they match.
const char* RunEnd(const char* p, const char* const limit, char c) {
  if constexpr (std::endian::native == std::endian::little) {
    const std::uint64_t pattern = 0x0101010101010101ULL * static_cast<unsigned char>(c);
    while (limit - p >= 8) {
      std::uint64_t x;
      std::memcpy(&x, p, sizeof x);
      x ^= pattern;
      if (x != 0) return p + std::countr_zero(x) / 8;
      p += 8;
    }
  }
  while (p < limit && *p == c) ++p;
  return p;
}
}  // namespace

// Colours 0 and 7 are the user's background and foreground; the rest are fixed.
Colour CTelnetSession::PaletteColour(int index) const {
  if (index == 0) return m_crBackground;
  if (index == 7) return m_crForeground;
  return kFixedPalette[index & 15];
}

void CTelnetSession::DrawNow(bool bOnlyDirty) {
  DrawContext& dc = m_pFrame->BeginClientDraw();
  Draw(dc, bOnlyDirty);
  m_pFrame->EndClientDraw();
}

void CTelnetSession::Draw(DrawContext& dc, bool bOnlyDirty) {
  std::lock_guard lock(m_ScreenLock);
  if (m_nScrollBackPos != 0) {
    DrawHistoryView(dc);
    return;
  }
  PrepareRunColours();
  if (!bOnlyDirty) m_Screen.MarkAllDirty();
  for (int row = 0; row < m_Screen.Height(); ++row) DrawLine(dc, row);
  DrawCursor(dc);
  // The next drawing repaints this row, which removes the cursor image from it
  // once the cursor has moved on.
  if (m_Screen.Height() > 0) m_Screen.MarkCursorRowDirty();
  UpdateCursorPanes();
}

// Selection shows a run the other way round, as reverse video or the
// reversed-colour option do; any two of them cancel out.
CTelnetSession::RunColours CTelnetSession::ColoursOf(std::uint8_t a, bool selected) const {
  const int f = attr::Foreground(a), b = attr::Background(a), bold = attr::IsBold(a) ? 1 : 0;
  const bool inverted = (selected != attr::IsReverse(a)) != m_bReverseColor;
  return {PaletteColour(inverted ? b + 8 * bold : f + 8 * bold), PaletteColour(inverted ? f : b)};
}

void CTelnetSession::PrepareRunColours() {
  if (m_bRunColoursValid && m_RunColoursFore == m_crForeground &&
      m_RunColoursBack == m_crBackground && m_bRunColoursReverse == m_bReverseColor)
    return;
  for (int a = 0; a < 256; ++a)
    m_RunColours[static_cast<std::size_t>(a)] = ColoursOf(static_cast<std::uint8_t>(a), false);
  m_RunColoursFore = m_crForeground;
  m_RunColoursBack = m_crBackground;
  m_bRunColoursReverse = m_bReverseColor;
  m_bRunColoursValid = true;
}

void CTelnetSession::UpdateCursorPanes() {
  m_pFrame->SetPaneText(kPaneMessage, "Ready");
  // Written after every block drawn: built without printf's format parsing.
  char text[48] = "Ln ";
  char* end = std::to_chars(text + 3, text + 20, m_Screen.CursorRow() + 1).ptr;
  end = std::copy_n(", Col ", 6, end);
  end = std::to_chars(end, text + sizeof text, CursorCellCol() + 1).ptr;
  m_pFrame->SetPaneText(kPaneCursor, std::string(text, end));
}

void CTelnetSession::DrawLine(DrawContext& dc, int row) {
  if (!m_Screen.IsDirty(row)) return;
  const std::string& text = m_Screen.Row(row).text;
  const std::string& attrs = m_Screen.Row(row).attrs;
  const int y = row * m_nCharHeight;

  auto output = [&](int start, int end, std::uint8_t a, bool selected) {
    const RunColours colours = selected ? ColoursOf(a, true) : m_RunColours[a];
    dc.SetTextColour(colours.fore);
    dc.SetBackColour(colours.back);
    dc.DrawText(start * m_nCharWidth, y, Bytes(text) + start,
                static_cast<std::size_t>(end - start));
  };

  // The row's selected columns [selFrom, selTo), the same cells IsSelected
  // names, found once per row rather than asked for every cell.
  int selFrom = m_Screen.Width(), selTo = m_Screen.Width();
  if (IsSelected(row,
                 std::clamp(row == m_nSelStartRow ? m_nSelStartCol : 0, 0, m_Screen.Width() - 1))) {
    selFrom = row == m_nSelStartRow ? std::clamp(m_nSelStartCol, 0, m_Screen.Width()) : 0;
    selTo =
        row == m_nSelEndRow ? std::clamp(m_nSelEndCol + 1, 0, m_Screen.Width()) : m_Screen.Width();
  }
  // Runs end where the attribute changes or the selection begins or ends.
  const char* const a = attrs.data();
  int start = 0;
  while (start < m_Screen.Width()) {
    const bool selected = start >= selFrom && start < selTo;
    const int limit = start < selFrom ? selFrom : (selected ? selTo : m_Screen.Width());
    const char runAttr = a[start];
    const char* const end = RunEnd(a + start + 1, a + limit, runAttr);
    output(start, static_cast<int>(end - a), static_cast<std::uint8_t>(runAttr), selected);
    start = static_cast<int>(end - a);
  }
  m_Screen.ClearDirty(row);
}

void CTelnetSession::DrawCursor(DrawContext& dc) {
  // A pending wrap shows on the last column, where the cursor stands.
  const int col = CursorCellCol();
  const int x = col * m_nCharWidth;
  const int y = m_Screen.CursorRow() * m_nCharHeight;
  if (m_bBlockCursor) {
    const unsigned char under =
        col < m_Screen.Width()
            ? static_cast<unsigned char>(m_Screen.Row(m_Screen.CursorRow()).text[col])
            : ' ';
    dc.SetTextColour(m_bReverseColor ? m_crForeground : m_crBackground);
    dc.SetBackColour(m_bReverseColor ? m_crBackground : m_crForeground);
    dc.DrawText(x, y, &under, 1);
  } else {
    dc.HorizontalLine(x, x + m_nCharWidth, y + m_nCharHeight - 3,
                      m_bReverseColor ? m_crBackground : m_crForeground);
  }
}

void CTelnetSession::DrawHistoryView(DrawContext& dc) {
  Colour normalText = m_crForeground, normalBack = m_crBackground;
  if (m_bReverseColor) std::swap(normalText, normalBack);
  bool inverted = false;
  auto out = [&](const std::string& line, int from, int to, int y) {
    if (from >= static_cast<int>(line.size()) || to <= from) return;
    to = std::min(to, static_cast<int>(line.size()));
    dc.SetTextColour(inverted ? normalBack : normalText);
    dc.SetBackColour(inverted ? normalText : normalBack);
    dc.DrawText(from * m_nCharWidth, y, Bytes(line) + from, static_cast<std::size_t>(to - from));
  };
  for (int r = 0; r < m_Screen.Height(); ++r) {
    const std::string& line = HistoryViewRow(r);
    const int y = r * m_nCharHeight;
    const int len = static_cast<int>(line.size());
    int c = 0;
    if (r == m_nSelStartRow) {
      out(line, 0, m_nSelStartCol, y);
      c = m_nSelStartCol;
      inverted = true;
    }
    if (r == m_nSelEndRow) {
      out(line, c, m_nSelEndCol + 1, y);
      c = m_nSelEndCol + 1;
      inverted = false;
    }
    out(line, c, len, y);
    // Paint the rest of the row so a shorter entry never leaves the end of a
    // longer one that was drawn there before.
    const int restFrom = std::min(len, m_Screen.Width());
    if (restFrom < m_Screen.Width())
      dc.FillRect(restFrom * m_nCharWidth, y, (m_Screen.Width() - restFrom) * m_nCharWidth,
                  m_nCharHeight, inverted ? normalText : normalBack);
  }
  m_pFrame->SetPaneText(kPaneMessage,
                        "Scroll back mode (Press Pause/Break to return to telnet session)");
  char text[48];
  const unsigned o = static_cast<unsigned>(m_nScrollBackPos);
  const unsigned h = static_cast<unsigned>(m_Screen.Height());
  std::snprintf(text, sizeof text, "Ln %u-%u", m_Screen.BufferSize() - o - h + 2,
                m_Screen.BufferSize() - o + 1);
  m_pFrame->SetPaneText(kPaneCursor, text);
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
