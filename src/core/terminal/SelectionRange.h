#pragma once
// The mouse selection in view cells and the texts built from it and from the
// history. It reads the screen through its const readers and never changes it.
#include <string>

class TerminalScreen;

struct SelectionRange {
  // Start before end; all -1 without a selection.
  int startCol = -1;
  int startRow = -1;
  int endCol = -1;
  int endRow = -1;

  bool Has() const {
    return !(startCol == -1 && startRow == -1) && !(endCol == -1 && endRow == -1);
  }
  void Clear() { startCol = startRow = endCol = endRow = -1; }
  // Between two cells in either order.
  void Set(int col1, int row1, int col2, int row2);
  bool Contains(int row, int col) const;
  // The selected columns [from, to) of a row `width` cells wide; from = to =
  // width when none of it is selected.
  void ColumnsOnRow(int row, int width, int& from, int& to) const;
  // The selected text of the live screen (scrollBackPos 0; rows right-trimmed)
  // or of the history view, rows joined with CR LF; empty without a selection.
  std::string Text(const TerminalScreen& screen, int scrollBackPos) const;
};

// The whole history, oldest first, lines joined with CR LF, trimmed.
std::string HistoryText(const TerminalScreen& screen);
