// Find in the history and on the screen: what a query matches in a row, what
// is counted once, where the view goes, and the count as output arrives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordingDrawContext.h"
#include "SessionFixture.h"
#include "terminal/ScrollbackSearch.h"
#include "text/CodePage.h"

namespace {
struct MatchCase {
  const char* name;
  std::u16string query;
  bool matchCase;
  bool oem;  // CP437 cells rather than Windows-1252
  std::string row;
  std::vector<int> columns;
};

std::vector<int> Columns(const FindPattern& pattern, const std::string& row) {
  std::vector<int> found;
  pattern.ForEachMatch(row, [&found](int col) { found.push_back(col); });
  return found;
}

TEST(FindPatternTest, MatchesTheCharactersTheCellsShow) {
  const MatchCase cases[] = {
      {"plain", u"ab", true, false, "xab ab", {1, 4}},
      {"case folds", u"AB", false, false, "ab Ab aB", {0, 3, 6}},
      {"case kept", u"AB", true, false, "ab AB", {3}},
      {"non-overlapping", u"aa", true, false, "aaaaa", {0, 2}},
      {"Latin-1 folds", u"\u00c9t\u00e9", false, false, "\xe9t\xc9", {0}},
      {"CP437 byte shows its letter", u"\u00e9", true, true, "caf\x82", {3}},
      {"CP437 Greek folds", u"\u03c3", false, true, "\xe4\xe5", {0, 1}},
      {"Windows-1252 Latin Extended-A folds", u"\u0161", false, false, "\x8a\x9a", {0, 1}},
      {"not in the page finds nothing", u"\u4e2d", false, false, "abc", {}},
      {"trailing blanks never match", u"a ", true, false, "a a  ", {0}},
      {"inner blanks do", u"a b", true, false, "a b   ", {0}},
      {"the whole row", u"abc", true, false, "abc", {0}},
      {"longer than a row", std::u16string(256, u'a'), true, false, std::string(255, 'a'), {}},
      {"empty", u"", true, false, "abc", {}},
  };
  for (const MatchCase& c : cases) {
    const CodePage& page = c.oem ? CodePage::Cp437() : CodePage::Windows1252();
    EXPECT_EQ(Columns(FindPattern(c.query, c.matchCase, page), c.row), c.columns) << c.name;
  }
}

class Find : public testing::Test {
 protected:
  Find() { rig.Start(); }
  CTelnetSession& s() { return *rig.session; }
  void Search(const std::u16string& text) { s().Find(text, false, CodePage::Cp437()); }
  SessionRig rig;
};

TEST_F(Find, RowsTheHistoryAlsoHoldsCountOnce) {
  rig.Feed("alpha\r\nbeta\r\nalpha\r\nalpha");
  Search(u"alpha");
  // Two rows were copied into the history by their line feeds; the third
  // has had none yet.
  EXPECT_EQ(s().FindCount(), 3);
  EXPECT_EQ(s().FindNumber(), 3) << "the newest match comes first";
  EXPECT_EQ(s().ScrollBackPos(), 0);
  // A row rewritten after its line feed is no longer the history's copy:
  // both are reachable, both count.
  rig.Feed("\x1b[1;1Halpha alpha\x1b[4;6H");
  s().RefreshFind();
  EXPECT_EQ(s().FindCount(), 5);
}

TEST_F(Find, TheViewScrollsBackToAMatchOnlyTheHistoryHolds) {
  rig.Feed("needle\r\n");
  for (int i = 0; i < 40; ++i) rig.Feed("hay " + std::to_string(i) + "\r\n");
  rig.Feed("needle");
  Search(u"NEEDLE");
  ASSERT_EQ(s().FindCount(), 2);
  EXPECT_EQ(s().ScrollBackPos(), 0) << "the one on the screen is shown where it is";
  s().FindStep(false);
  EXPECT_EQ(s().FindNumber(), 1);
  const int o = s().ScrollBackPos();
  ASSERT_GT(o, 0);
  // The entry 41 lines back shows on view row o + height - 1 - 41.
  const int row = o + s().Screen().Height() - 1 - 41;
  ASSERT_GE(row, 0);
  EXPECT_EQ(s().HistoryViewRow(row), "needle");
  s().FindStep(false);
  EXPECT_EQ(s().FindNumber(), 2) << "wraps";
  EXPECT_EQ(s().ScrollBackPos(), 0);
  s().FindStep(true);
  EXPECT_EQ(s().FindNumber(), 1) << "wraps forward too";
  s().EndFind();
  EXPECT_FALSE(s().Finding());
  EXPECT_EQ(s().ScrollBackPos(), 0);
}

TEST_F(Find, NewOutputUpdatesTheCountAndKeepsTheCurrentMatch) {
  s().SetBufferSize(30);
  for (int i = 0; i < 3; ++i) rig.Feed("x old\r\n");
  rig.Feed("x target\r\n");
  for (int i = 0; i < 25; ++i) rig.Feed("x pad\r\n");
  Search(u"x");
  ASSERT_EQ(s().FindCount(), 29);
  for (int i = 0; i < 4; ++i) s().FindStep(true);  // wraps to the oldest, then on
  ASSERT_EQ(s().FindNumber(), 4);
  // Three more lines push the two oldest out of the ring: the same line is
  // current, now the second match.
  for (int i = 0; i < 3; ++i) rig.Feed("x new\r\n");
  s().RefreshFind();
  EXPECT_EQ(s().FindCount(), 30);
  EXPECT_EQ(s().FindNumber(), 2);
  s().ClearBuffer();
  EXPECT_EQ(s().FindCount(), 0);
  EXPECT_EQ(s().FindNumber(), 0);
}

TEST_F(Find, HistoryTheViewCannotReachIsNotSearched) {
  rig.Feed("gone\r\n");
  s().SetBufferSize(10);  // fewer entries than rows: no history view
  rig.Feed("\x1b[2J\x1b[H");
  Search(u"gone");
  EXPECT_EQ(s().FindCount(), 0);
}

TEST_F(Find, MatchesAreDrawnWithTheCurrentOneDistinct) {
  rig.Feed("ab ab");
  Search(u"ab");
  RecordingDrawContext dc;
  s().Draw(dc, false);
  std::vector<std::pair<int, Colour>> marked;  // x of each match drawn, its background
  for (const DrawCall& call : dc.calls)
    if (call.kind == DrawCall::Kind::Text && call.text == "ab" && call.y == 0)
      marked.emplace_back(call.x, call.back);
  const int cw = Peek(s()).m_nCharWidth;
  ASSERT_EQ(marked.size(), 2u);
  EXPECT_EQ(marked[0].first, 0);
  EXPECT_EQ(marked[1].first, 3 * cw);
  EXPECT_NE(marked[0].second, marked[1].second) << "the current one (the newest) stands out";
  EXPECT_NE(marked[0].second, s().BackgroundColour());
}
}  // namespace
