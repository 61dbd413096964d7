#pragma once
// Find in what the user can scroll to: the history entries, oldest first, then
// the live screen's rows. A history entry that the screen still shows (a line
// feed copied the row, and the row is unchanged) is counted once, on the
// screen. Cells are compared as the characters their code page shows, so what
// is found is what is seen; matches never span two rows.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "terminal/ByteClasses.h"

class CodePage;
class TerminalScreen;

// A query compiled for one code page: each cell byte's character (folded to
// lower case unless the case must match) against the query's characters.
class FindPattern {
 public:
  FindPattern() = default;  // finds nothing
  FindPattern(std::u16string_view text, bool matchCase, const CodePage& page);

  bool FindsNothing() const { return query_.empty(); }
  int Length() const { return static_cast<int>(query_.size()); }
  // The columns where matches start in `row`, left to right, none
  // overlapping the one before; trailing blanks are never part of a match.
  template <class F>
  void ForEachMatch(std::string_view row, F&& found) const;
  int CountIn(std::string_view row) const;

 private:
  bool MatchesAt(const unsigned char* p) const;

  std::vector<char16_t> query_;
  std::array<char16_t, 256> cell_{};       // each byte's character, folded
  std::array<std::uint8_t, 256> shift_{};  // Horspool's skip by the last byte of a window
};

// Where a match is: on screen row `line`, or in the history entry `line`
// lines back from the newest (1 = the newest).
struct FindMatch {
  bool onScreen = true;
  int line = 0;
  int col = 0;
};

class ScrollbackSearch {
 public:
  // Counts the pattern over the screen's history and rows. The current
  // match is the last one at or before `near` (the end of the live screen
  // when unset), else the first.
  void Start(FindPattern pattern, const TerminalScreen& screen,
             std::optional<FindMatch> near = std::nullopt);
  // Counts again after the screen changed; the current match stays where it
  // was, or moves to the next one when it is gone.
  void Recount(const TerminalScreen& screen);
  void Stop() { *this = ScrollbackSearch(); }
  // The history was rewritten in place (cleared, given another size): the
  // next count reads every entry again.
  void ForgetHistory() { slotsKnown_ = false; }
  bool Active() const { return !pattern_.FindsNothing(); }

  int Count() const { return total_; }
  // 1-based number of the current match; 0 without one.
  int CurrentNumber() const;
  std::optional<FindMatch> Current() const;
  // Next (toward the newest) or previous match, wrapping at the ends.
  void Step(bool forward);
  const FindPattern& Pattern() const { return pattern_; }

 private:
  struct Line {
    bool onScreen;
    int line;  // screen row, or history entries back
  };
  Line LineAt(int index) const;
  std::string_view TextOf(int index) const;
  int IndexOf(const FindMatch& where) const;
  void Count(const TerminalScreen& screen);
  // The current match: the first at or after `col` of line `index`, else
  // the first of a later line, wrapping.
  void SelectFrom(int index, int col);

  FindPattern pattern_;
  const TerminalScreen* screen_ = nullptr;
  // Lines of the search, oldest first: history entries from `historyLines_`
  // back to `shared_` + 1, then every screen row.
  int historyLines_ = 0;
  int shared_ = 0;                     // newest history entries the screen shows
  std::vector<std::uint16_t> counts_;  // matches per line
  // Matches per ring slot, known for the lines stored before countedLines_.
  std::vector<std::uint16_t> slotCounts_;
  std::uint64_t countedLines_ = 0;
  bool slotsKnown_ = false;
  int total_ = 0;
  // The current match as a line of the search and its column; -1 without one.
  int current_ = -1;
  int currentCol_ = 0;
  // The current match's line in terms that survive new lines: lines stored
  // before it (history) or before the cursor row, plus its row (screen).
  bool anchorOnScreen_ = true;
  std::int64_t anchor_ = 0;
  void Anchor();
};

template <class F>
void FindPattern::ForEachMatch(std::string_view row, F&& found) const {
  const int m = Length();
  if (m == 0) return;
  const std::size_t n = TrimmedLength(row);
  const auto* p = reinterpret_cast<const unsigned char*>(row.data());
  std::size_t i = 0;
  while (i + static_cast<std::size_t>(m) <= n) {
    if (MatchesAt(p + i)) {
      found(static_cast<int>(i));
      i += static_cast<std::size_t>(m);
    } else {
      i += shift_[p[i + static_cast<std::size_t>(m) - 1]];
    }
  }
}
