// A drawn row splits into runs exactly where the attribute or the selection
// changes, for every shape a selection can have (checked against the cells
// IsSelected names), and a scrolled region keeps its rows' contents.
#include <gtest/gtest.h>

#include <random>

#include "../support/SessionTestAccess.h"
#include "RecordingDrawContext.h"
#include "SessionFixture.h"

namespace {
constexpr int kWidth = 20, kHeight = 5;

struct Selection {
  int startCol, startRow, endCol, endRow;
};
void PrintTo(const Selection& s, std::ostream* os) {
  *os << "from " << s.startCol << "," << s.startRow << " to " << s.endCol << "," << s.endRow;
}

class DrawRuns : public testing::TestWithParam<Selection> {};

// Where runs must begin on a row: column 0, every change of attribute, and
// every change of the selection state of IsSelected.
std::vector<int> ExpectedStarts(const CTelnetSession& s, int row) {
  std::vector<int> starts{0};
  for (int col = 1; col < s.Screen().Width(); ++col)
    if (Peek(s).m_Attrs[row][col] != Peek(s).m_Attrs[row][col - 1] ||
        s.IsSelected(row, col) != s.IsSelected(row, col - 1))
      starts.push_back(col);
  return starts;
}

TEST_P(DrawRuns, SplitWhereAttributeOrSelectionChange) {
  SessionRig rig;
  rig.profile.Set("Screen", "Width", std::to_string(kWidth));
  rig.profile.Set("Screen", "Height", std::to_string(kHeight));
  CTelnetSession& s = rig.Start(false);
  // Attribute changes at a few columns, different on every row.
  std::mt19937 random(7);
  for (int r = 0; r < kHeight; ++r)
    for (int c = 0; c < kWidth; ++c)
      Peek(s).m_Attrs[r][c] = static_cast<char>(random() % 4 == 0 ? 0x1D : kDefaultAttr);
  const Selection& sel = GetParam();
  Peek(s).m_nSelStartCol = sel.startCol;
  Peek(s).m_nSelStartRow = sel.startRow;
  Peek(s).m_nSelEndCol = sel.endCol;
  Peek(s).m_nSelEndRow = sel.endRow;
  RecordingDrawContext dc;
  s.Draw(dc, false);
  for (int r = 0; r < kHeight; ++r) {
    std::vector<int> starts;
    std::string text;
    for (const DrawCall& call : dc.TextsAt(r * Peek(s).m_nCharHeight)) {
      starts.push_back(call.x / Peek(s).m_nCharWidth);
      text += call.text;
    }
    EXPECT_EQ(starts, ExpectedStarts(s, r)) << "row " << r;
    EXPECT_EQ(text, Peek(s).m_Text[r]) << "row " << r;  // every cell once, in order
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, DrawRuns,
    testing::Values(Selection{-1, -1, -1, -1},  // none
                    Selection{3, 1, 8, 1},      // inside one row
                    Selection{3, 1, 8, 3},      // across rows
                    Selection{0, 0, kWidth - 1, kHeight - 1},
                    Selection{8, 2, 3, 2},                    // end before start: nothing
                    Selection{5, 3, 2, 1},                    // rows the wrong way round: nothing
                    Selection{kWidth + 4, 1, kWidth + 9, 2},  // starts beyond the row
                    Selection{-3, 2, kWidth + 5, 2},          // sticks out on both sides
                    Selection{4, 2, -1, 3}));                 // ends before column 0

TEST(ScrollRegion, RowsMoveWithTheirContentsBothWays) {
  SessionRig rig;
  rig.profile.Set("Screen", "Width", "4");
  rig.profile.Set("Screen", "Height", "5");
  CTelnetSession& s = rig.Start(false);
  rig.Feed("aaaa\r\nbbbb\r\ncccc\r\ndddd\r\neeee\x1b[2;4r\x1b[4;1H\n");
  EXPECT_EQ(std::vector<std::string>(Peek(s).m_Text.begin(), Peek(s).m_Text.end()),
            (std::vector<std::string>{"aaaa", "cccc", "dddd", "    ", "eeee"}));
  rig.Feed("\x1b[2;1H\x1bM");
  EXPECT_EQ(std::vector<std::string>(Peek(s).m_Text.begin(), Peek(s).m_Text.end()),
            (std::vector<std::string>{"aaaa", "    ", "cccc", "dddd", "eeee"}));
  for (int r = 0; r < 5; ++r) EXPECT_EQ(Peek(s).m_Attrs[r].size(), 4u) << r;
}

}  // namespace
