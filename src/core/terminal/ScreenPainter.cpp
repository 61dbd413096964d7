// The screen or the history view as text runs, fills and the cursor.
#include "terminal/ScreenPainter.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "terminal/Screen.h"
#include "terminal/ScrollbackSearch.h"
#include "terminal/SelectionRange.h"
#include "text/Attribute.h"

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

const unsigned char* Bytes(std::string_view s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

// Found text: dark on yellow, the current match dark on orange, whatever the
// cells' own colours, so a match stands out on any background.
constexpr Colour kMatchText = MakeColour(0, 0, 0);
constexpr Colour kMatchBack = MakeColour(255, 255, 0);
constexpr Colour kCurrentMatchBack = MakeColour(255, 140, 0);

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

Colour ScreenPainter::PaletteColour(int index, Colour foreground, Colour background) {
  if (index == 0) return background;
  if (index == 7) return foreground;
  return kFixedPalette[index & 15];
}

ScreenPainter::RunColours ScreenPainter::ColoursOf(std::uint8_t a, bool selected) const {
  const int f = attr::Foreground(a), b = attr::Background(a), bold = attr::IsBold(a) ? 1 : 0;
  const bool inverted = (selected != attr::IsReverse(a)) != style_.reverse;
  auto colour = [this](int index) {
    return PaletteColour(index, style_.foreground, style_.background);
  };
  return {colour(inverted ? b + 8 * bold : f + 8 * bold), colour(inverted ? f : b)};
}

void ScreenPainter::SetStyle(const PaintStyle& style) {
  const bool same = runColoursValid_ && style.foreground == style_.foreground &&
                    style.background == style_.background && style.reverse == style_.reverse;
  style_ = style;
  if (same) return;
  for (int a = 0; a < 256; ++a)
    runColours_[static_cast<std::size_t>(a)] = ColoursOf(static_cast<std::uint8_t>(a), false);
  runColoursValid_ = true;
}

std::string ScreenPainter::CursorPaneText(const TerminalScreen& screen) {
  // Written after every block drawn: built without printf's format parsing.
  char text[48] = "Ln ";
  char* end = std::to_chars(text + 3, text + 20, screen.CursorRow() + 1).ptr;
  end = std::copy_n(", Col ", 6, end);
  end = std::to_chars(end, text + sizeof text, screen.CursorCellCol() + 1).ptr;
  return std::string(text, end);
}

void ScreenPainter::DrawRow(DrawContext& dc, const TerminalScreen& screen, int row,
                            const SelectionRange& selection, const FindMarks& marks) const {
  const std::string& text = screen.Row(row).text;
  const std::string& attrs = screen.Row(row).attrs;
  const int width = screen.Width();
  const int y = row * style_.cellHeight;

  auto output = [&](int start, int end, std::uint8_t a, bool selected) {
    const RunColours colours = selected ? ColoursOf(a, true) : runColours_[a];
    dc.SetTextColour(colours.fore);
    dc.SetBackColour(colours.back);
    dc.DrawText(start * style_.cellWidth, y, Bytes(text) + start,
                static_cast<std::size_t>(end - start));
  };

  int selFrom = width, selTo = width;
  selection.ColumnsOnRow(row, width, selFrom, selTo);
  // Runs end where the attribute changes or the selection begins or ends.
  const char* const a = attrs.data();
  int start = 0;
  while (start < width) {
    const bool selected = start >= selFrom && start < selTo;
    const int limit = start < selFrom ? selFrom : (selected ? selTo : width);
    const char runAttr = a[start];
    const char* const end = RunEnd(a + start + 1, a + limit, runAttr);
    output(start, static_cast<int>(end - a), static_cast<std::uint8_t>(runAttr), selected);
    start = static_cast<int>(end - a);
  }
  if (marks.pattern) DrawMatches(dc, text, row, y, marks);
}

void ScreenPainter::DrawMatches(DrawContext& dc, std::string_view text, int row, int y,
                                const FindMarks& marks) const {
  const auto length = static_cast<std::size_t>(marks.pattern->Length());
  marks.pattern->ForEachMatch(text, [&](int col) {
    const bool current = row == marks.currentRow && col == marks.currentCol;
    dc.SetTextColour(kMatchText);
    dc.SetBackColour(current ? kCurrentMatchBack : kMatchBack);
    dc.DrawText(col * style_.cellWidth, y, Bytes(text) + col, length);
  });
}

void ScreenPainter::DrawCursor(DrawContext& dc, const TerminalScreen& screen) const {
  // A pending wrap shows on the last column, where the cursor stands.
  const int col = screen.CursorCellCol();
  const int x = col * style_.cellWidth;
  const int y = screen.CursorRow() * style_.cellHeight;
  const Colour fore = style_.reverse ? style_.background : style_.foreground;
  const Colour back = style_.reverse ? style_.foreground : style_.background;
  if (style_.blockCursor) {
    const unsigned char under =
        col < screen.Width() ? static_cast<unsigned char>(screen.Row(screen.CursorRow()).text[col])
                             : ' ';
    dc.SetTextColour(back);
    dc.SetBackColour(fore);
    dc.DrawText(x, y, &under, 1);
  } else {
    dc.HorizontalLine(x, x + style_.cellWidth, y + style_.cellHeight - 3, fore);
  }
}

void ScreenPainter::DrawHistoryView(DrawContext& dc, const TerminalScreen& screen, int offset,
                                    const SelectionRange& selection, const FindMarks& marks) const {
  Colour normalText = style_.foreground, normalBack = style_.background;
  if (style_.reverse) std::swap(normalText, normalBack);
  const int cw = style_.cellWidth, width = screen.Width();
  bool inverted = false;
  auto out = [&](const std::string& line, int from, int to, int y) {
    if (from >= static_cast<int>(line.size()) || to <= from) return;
    to = std::min(to, static_cast<int>(line.size()));
    dc.SetTextColour(inverted ? normalBack : normalText);
    dc.SetBackColour(inverted ? normalText : normalBack);
    dc.DrawText(from * cw, y, Bytes(line) + from, static_cast<std::size_t>(to - from));
  };
  for (int r = 0; r < screen.Height(); ++r) {
    const std::string& line = screen.HistoryViewRow(offset, r);
    const int y = r * style_.cellHeight;
    const int len = static_cast<int>(line.size());
    int c = 0;
    if (r == selection.startRow) {
      out(line, 0, selection.startCol, y);
      c = selection.startCol;
      inverted = true;
    }
    if (r == selection.endRow) {
      out(line, c, selection.endCol + 1, y);
      c = selection.endCol + 1;
      inverted = false;
    }
    out(line, c, len, y);
    // Paint the rest of the row so a shorter entry never leaves the end of a
    // longer one that was drawn there before.
    const int restFrom = std::min(len, width);
    if (restFrom < width)
      dc.FillRect(restFrom * cw, y, (width - restFrom) * cw, style_.cellHeight,
                  inverted ? normalText : normalBack);
    if (marks.pattern) DrawMatches(dc, line, r, y, marks);
  }
}

std::string ScreenPainter::HistoryPaneText(const TerminalScreen& screen, int offset) {
  char text[48];
  const unsigned o = static_cast<unsigned>(offset);
  const unsigned h = static_cast<unsigned>(screen.Height());
  std::snprintf(text, sizeof text, "Ln %u-%u", screen.BufferSize() - o - h + 2,
                screen.BufferSize() - o + 1);
  return text;
}
