// Find in the history and on the screen: the compiled query, the count per
// line, and the current match kept in place while new lines arrive.
#include "terminal/ScrollbackSearch.h"

#include <algorithm>
#include <climits>

#include "terminal/Screen.h"
#include "text/CodePage.h"

namespace {
// Lower case of the letters the terminal's code pages can show: ASCII,
// Latin-1, Latin Extended-A, Greek and Cyrillic.
char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c < 0xB5) return c;
  if (c == 0xB5) return 0x3BC;  // micro sign: Greek mu
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  if (c == 0x178) return 0xFF;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return static_cast<char16_t>(c | 1);
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
    return static_cast<char16_t>(c + (c & 1));
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
  if (c == 0x3C2) return 0x3C3;  // final sigma
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  return c;
}
}  // namespace

FindPattern::FindPattern(std::u16string_view text, bool matchCase, const CodePage& page) {
  // A match lies within one row, which is never wider than the screen can be.
  if (text.empty() || text.size() > static_cast<std::size_t>(kMaxScreenSide)) return;
  for (int b = 0; b < 256; ++b) {
    const char16_t shown = page.ToUnicode(static_cast<unsigned char>(b));
    cell_[static_cast<std::size_t>(b)] = matchCase ? shown : FoldCase(shown);
  }
  for (char16_t c : text) {
    const char16_t q = matchCase ? c : FoldCase(c);
    // A character no cell shows: nothing can match.
    if (std::find(cell_.begin(), cell_.end(), q) == cell_.end()) {
      query_.clear();
      return;
    }
    query_.push_back(q);
  }
  // Horspool: a window whose last byte shows the query's character at i
  // (before the last) moves on to line that character up; any other by m.
  const std::size_t m = query_.size();
  for (std::size_t b = 0; b < 256; ++b) {
    std::size_t shift = m;
    for (std::size_t i = 0; i + 1 < m; ++i)
      if (query_[i] == cell_[b]) shift = m - 1 - i;
    shift_[b] = static_cast<std::uint8_t>(shift);
  }
  // A one-character query marks its cells with a shift of 0 (CountIn); the
  // walk of ForEachMatch never shifts by the last character's entry after a
  // match, and moves on by one otherwise.
  if (m == 1)
    for (std::size_t b = 0; b < 256; ++b) shift_[b] = cell_[b] == query_[0] ? 0 : 1;
}

bool FindPattern::MatchesAt(const unsigned char* p) const {
  for (std::size_t i = query_.size(); i-- > 0;)
    if (cell_[p[i]] != query_[i]) return false;
  return true;
}

int FindPattern::CountIn(std::string_view row) const {
  // One character: every cell showing it is a match; counted without a
  // branch per cell, since it may be most of them.
  if (query_.size() == 1) {
    const auto* p = reinterpret_cast<const unsigned char*>(row.data());
    const std::size_t len = TrimmedLength(row);
    int n = 0;
    for (std::size_t i = 0; i < len; ++i) n += shift_[p[i]] == 0 ? 1 : 0;
    return n;
  }
  int n = 0;
  ForEachMatch(row, [&n](int) { ++n; });
  return n;
}

ScrollbackSearch::Line ScrollbackSearch::LineAt(int index) const {
  const int historyShown = historyLines_ - shared_;
  if (index < historyShown) return {false, historyLines_ - index};
  return {true, index - historyShown};
}

std::string_view ScrollbackSearch::TextOf(int index) const {
  const Line line = LineAt(index);
  if (line.onScreen) return screen_->Row(line.line).text;
  const std::uint64_t size = screen_->BufferSize();
  return screen_->HistoryAt(screen_->LineCount() + size - static_cast<std::uint64_t>(line.line));
}

int ScrollbackSearch::IndexOf(const FindMatch& where) const {
  const int historyShown = historyLines_ - shared_;
  const int last = historyShown + screen_->Height() - 1;
  if (where.onScreen) return std::clamp(historyShown + where.line, 0, last);
  if (where.line <= shared_)
    return std::clamp(historyShown + screen_->CursorRow() - where.line, 0, last);
  if (where.line <= historyLines_) return historyLines_ - where.line;
  return 0;
}

void ScrollbackSearch::Count(const TerminalScreen& screen) {
  screen_ = &screen;
  // History the view cannot reach (a ring no larger than the screen) is not searched.
  historyLines_ = screen.ScrollMax() > 0 ? static_cast<int>(screen.BufferSize()) : 0;
  // The rows above the cursor that a line feed copied, unchanged since: the
  // newest entries, counted once as the screen rows they still are.
  shared_ = 0;
  const std::uint64_t newest = screen.LineCount() + screen.BufferSize() - 1;
  for (int row = screen.CursorRow() - 1; row >= 0 && shared_ < historyLines_; --row) {
    const std::string& text = screen.Row(row).text;
    if (std::string_view(text.data(), TrimmedLength(text)) !=
        std::string_view(screen.HistoryAt(newest - static_cast<std::uint64_t>(shared_))))
      break;
    ++shared_;
  }
  // Ring slots keep their counts until a line feed writes them again, so
  // new output costs only the lines it added (and the screen).
  const std::uint64_t size = screen.BufferSize(), stored = screen.LineCount();
  if (slotCounts_.size() != size || stored < countedLines_) slotsKnown_ = false;
  if (historyLines_ > 0) {
    std::uint64_t from = slotsKnown_ ? countedLines_ : 0, to = stored;
    if (!slotsKnown_ || to - from >= size) {
      slotCounts_.assign(size, 0);
      from = 0;
      to = size;
    }
    for (std::uint64_t line = from; line < to; ++line)
      slotCounts_[line % size] =
          static_cast<std::uint16_t>(pattern_.CountIn(screen.HistoryAt(line)));
    slotsKnown_ = true;
    countedLines_ = stored;
  }
  const int lines = historyLines_ - shared_ + screen.Height();
  const int historyShown = historyLines_ - shared_;
  counts_.assign(static_cast<std::size_t>(lines), 0);
  total_ = 0;
  for (int i = 0; i < lines; ++i) {
    const int n =
        i < historyShown
            ? slotCounts_[(stored + size - static_cast<std::uint64_t>(historyLines_ - i)) % size]
            : pattern_.CountIn(TextOf(i));
    counts_[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(n);
    total_ += n;
  }
}

void ScrollbackSearch::Start(FindPattern pattern, const TerminalScreen& screen,
                             std::optional<FindMatch> near) {
  pattern_ = std::move(pattern);
  current_ = -1;
  slotsKnown_ = false;
  Count(screen);
  if (total_ == 0) return;
  const int lines = static_cast<int>(counts_.size());
  int index = near ? IndexOf(*near) : lines - 1;
  const int col = near ? near->col : INT_MAX;
  // The last match at or before `near`: in its line, else the last of an
  // earlier line; with none before it, the first of all.
  int found = -1;
  pattern_.ForEachMatch(TextOf(index), [&](int c) {
    if (c <= col) found = c;
  });
  while (found < 0 && --index >= 0) {
    if (counts_[static_cast<std::size_t>(index)] == 0) continue;
    pattern_.ForEachMatch(TextOf(index), [&](int c) { found = c; });
  }
  if (found < 0) {
    SelectFrom(0, 0);
    return;
  }
  current_ = index;
  currentCol_ = found;
  Anchor();
}

void ScrollbackSearch::SelectFrom(int index, int col) {
  current_ = -1;
  if (total_ == 0) return;
  const int lines = static_cast<int>(counts_.size());
  for (int step = 0; step <= lines; ++step, col = 0) {
    const int i = (index + step) % lines;
    if (counts_[static_cast<std::size_t>(i)] == 0) continue;
    int found = -1;
    pattern_.ForEachMatch(TextOf(i), [&](int c) {
      if (found < 0 && c >= col) found = c;
    });
    if (found >= 0) {
      current_ = i;
      currentCol_ = found;
      Anchor();
      return;
    }
  }
}

void ScrollbackSearch::Step(bool forward) {
  if (current_ < 0) return;
  if (forward) {
    SelectFrom(current_, currentCol_ + 1);
    return;
  }
  const int lines = static_cast<int>(counts_.size());
  int col = currentCol_;
  for (int step = 0; step <= lines; ++step, col = INT_MAX) {
    const int i = ((current_ - step) % lines + lines) % lines;
    if (counts_[static_cast<std::size_t>(i)] == 0) continue;
    int found = -1;
    pattern_.ForEachMatch(TextOf(i), [&](int c) {
      if (c < col) found = c;
    });
    if (found >= 0) {
      current_ = i;
      currentCol_ = found;
      Anchor();
      return;
    }
  }
}

void ScrollbackSearch::Anchor() {
  const Line line = LineAt(current_);
  anchorOnScreen_ = line.onScreen;
  const auto stored = static_cast<std::int64_t>(screen_->LineCount());
  anchor_ = line.onScreen ? stored - screen_->CursorRow() + line.line : stored - line.line;
}

void ScrollbackSearch::Recount(const TerminalScreen& screen) {
  if (!Active()) return;
  const bool had = current_ >= 0;
  Count(screen);
  if (!had) {
    SelectFrom(0, 0);
    return;
  }
  // The anchor's line now: a screen row may have scrolled into the history,
  // a history entry may have left the ring (then the search starts over).
  const auto stored = static_cast<std::int64_t>(screen.LineCount());
  const std::int64_t back = stored - anchor_;  // history entries back, as a history line
  FindMatch where{false, 0, 0};
  if (anchorOnScreen_) {
    const std::int64_t row = anchor_ - stored + screen.CursorRow();
    if (row >= 0) where = {true, static_cast<int>(std::min<std::int64_t>(row, INT_MAX)), 0};
  }
  if (!where.onScreen) {
    if (back < 1 || back > historyLines_) {
      SelectFrom(0, 0);
      return;
    }
    where.line = static_cast<int>(back);
  }
  SelectFrom(IndexOf(where), currentCol_);
}

int ScrollbackSearch::CurrentNumber() const {
  if (current_ < 0) return 0;
  int number = 1;
  for (int i = 0; i < current_; ++i) number += counts_[static_cast<std::size_t>(i)];
  pattern_.ForEachMatch(TextOf(current_), [&](int c) {
    if (c < currentCol_) ++number;
  });
  return number;
}

std::optional<FindMatch> ScrollbackSearch::Current() const {
  if (current_ < 0) return std::nullopt;
  const Line line = LineAt(current_);
  return FindMatch{line.onScreen, line.line, currentCol_};
}
