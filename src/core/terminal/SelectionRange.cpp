// The mouse selection and the texts built from it and from the history.
#include "terminal/SelectionRange.h"

#include <algorithm>
#include <utility>

#include "terminal/ByteClasses.h"
#include "terminal/Screen.h"

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

void SelectionRange::Set(int col1, int row1, int col2, int row2) {
  startCol = col1;
  startRow = row1;
  endCol = col2;
  endRow = row2;
  if (endRow < startRow || (endRow == startRow && endCol < startCol)) {
    std::swap(startCol, endCol);
    std::swap(startRow, endRow);
  }
}

bool SelectionRange::Contains(int row, int col) const {
  if (!Has()) return false;
  if (row < startRow || row > endRow) return false;
  if (row == startRow && col < startCol) return false;
  if (row == endRow && col > endCol) return false;
  return true;
}

// Found once per row rather than asked for every cell: the same cells
// Contains names.
void SelectionRange::ColumnsOnRow(int row, int width, int& from, int& to) const {
  from = to = width;
  if (!Contains(row, std::clamp(row == startRow ? startCol : 0, 0, width - 1))) return;
  from = row == startRow ? std::clamp(startCol, 0, width) : 0;
  to = row == endRow ? std::clamp(endCol + 1, 0, width) : width;
}

std::string SelectionRange::Text(const TerminalScreen& screen, int scrollBackPos) const {
  if (!Has()) return {};
  const int startR = std::clamp(startRow, 0, screen.Height() - 1);
  const int endR = std::clamp(endRow, 0, screen.Height() - 1);
  const bool live = scrollBackPos == 0;
  auto line = [&](int r) -> const std::string& {
    return live ? screen.Row(r).text : screen.HistoryViewRow(scrollBackPos, r);
  };

  if (startR == endR) return Slice(line(startR), startCol, endCol + 1);
  std::string text;
  std::string part = Slice(line(startR), startCol, static_cast<int>(line(startR).size()));
  if (live) TrimRight(part);
  text += part + "\r\n";
  for (int r = startR + 1; r < endR; ++r) {
    part = line(r);
    if (live) TrimRight(part);
    text += part + "\r\n";
  }
  text += Slice(line(endR), 0, endCol + 1);
  // The history view ends a selection of several rows with a line end too.
  if (!live) text += "\r\n";
  return text;
}

std::string HistoryText(const TerminalScreen& screen) {
  std::string text;
  for (unsigned i = 0; i < screen.BufferSize(); ++i) {
    text += screen.HistoryAt(screen.LineCount() + i);
    text += "\r\n";
  }
  const auto first = std::find_if(text.begin(), text.end(),
                                  [](char c) { return !IsCSpace(static_cast<unsigned char>(c)); });
  text.erase(text.begin(), first);
  TrimRight(text);
  return text;
}
