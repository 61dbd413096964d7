#pragma once
// Draws the screen (or the history view) as text runs, fills and the cursor on
// a DrawContext. It reads the screen through its const readers; the session
// hands it the cell size and colours, and clears the redraw flags of the rows
// it had drawn.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Colour.h"
#include "platform/DrawContext.h"

class FindPattern;
class TerminalScreen;
struct SelectionRange;

// The matches of a search to show: every match of the pattern in the rows
// drawn, and the current one (in view cells) in a colour of its own.
struct FindMarks {
  const FindPattern* pattern = nullptr;  // nothing marked
  int currentRow = -1;
  int currentCol = -1;
};

// What the screen is drawn with.
struct PaintStyle {
  int cellWidth = 8;
  int cellHeight = 16;
  Colour foreground = 0;
  Colour background = 0;
  bool reverse = false;  // foreground and background exchanged
  bool blockCursor = false;
};

class ScreenPainter {
 public:
  // Colours 0 and 7 are the style's background and foreground; the rest are
  // fixed (8..15 the bright ones).
  static Colour PaletteColour(int index, Colour foreground, Colour background);

  // Takes the style for the drawing that follows; the colours of each
  // attribute are worked out again only when the colours changed.
  void SetStyle(const PaintStyle& style);
  // Screen row `row`, whether or not it is marked for drawing.
  void DrawRow(DrawContext& dc, const TerminalScreen& screen, int row,
               const SelectionRange& selection, const FindMarks& marks = {}) const;
  void DrawCursor(DrawContext& dc, const TerminalScreen& screen) const;
  // The history view scrolled back `offset` lines, every row.
  void DrawHistoryView(DrawContext& dc, const TerminalScreen& screen, int offset,
                       const SelectionRange& selection, const FindMarks& marks = {}) const;
  // The cursor pane's text on the live screen ("Ln 3, Col 7") and in the
  // history view ("Ln 12-35").
  static std::string CursorPaneText(const TerminalScreen& screen);
  static std::string HistoryPaneText(const TerminalScreen& screen, int offset);

 private:
  struct RunColours {
    Colour fore = 0, back = 0;
  };
  // Text and back colour of a run with attribute a. Selection shows a run the
  // other way round, as reverse video or the reversed-colour option do; any
  // two of them cancel out.
  RunColours ColoursOf(std::uint8_t a, bool selected) const;
  // Paints the matches of `marks` over a row already drawn at y.
  void DrawMatches(DrawContext& dc, std::string_view text, int row, int y,
                   const FindMarks& marks) const;

  PaintStyle style_;
  // Text and back colour of an unselected run, by attribute byte; worked out
  // once per colour change rather than for every run drawn.
  std::array<RunColours, 256> runColours_{};
  bool runColoursValid_ = false;
};
