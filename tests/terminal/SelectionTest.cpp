// Selection from mouse points, and the texts taken from it and from the history.
#include <gtest/gtest.h>

#include "../support/SessionTestAccess.h"
#include "SessionFixture.h"

namespace {
class Selection : public testing::Test {
 protected:
  Selection() {
    rig.Start();
    cw = Peek(*rig.session).m_nCharWidth;
    ch = Peek(*rig.session).m_nCharHeight;
  }
  // Selects from cell (c1, r1) to cell (c2, r2) as a drag would.
  void Drag(int c1, int r1, int c2, int r2) {
    rig.session->SetSelection(c1 * cw + 1, r1 * ch + 1, c2 * cw + 1, r2 * ch + 1);
  }
  SessionRig rig;
  int cw = 0, ch = 0;
};

TEST_F(Selection, DragSetsCellsInReadingOrder) {
  CTelnetSession& s = *rig.session;
  Drag(5, 2, 3, 2);
  EXPECT_EQ(std::vector<int>({Peek(s).m_nSelStartCol, Peek(s).m_nSelStartRow, Peek(s).m_nSelEndCol,
                              Peek(s).m_nSelEndRow}),
            std::vector<int>({3, 2, 5, 2}));
  Drag(7, 4, 2, 1);
  EXPECT_EQ(Peek(s).m_nSelStartRow, 1);
  EXPECT_EQ(Peek(s).m_nSelStartCol, 2);
  EXPECT_EQ(Peek(s).m_nSelEndRow, 4);
  const int drawsBefore = rig.host.clientDraws;
  s.SetSelection(10, 10, 10, 10);  // a click without movement
  EXPECT_FALSE(s.HasSelection());
  EXPECT_EQ(s.GetSelectedText(), "");
  EXPECT_EQ(rig.host.clientDraws, drawsBefore + 1) << "redrawn at once";
}

TEST_F(Selection, LiveTextTrimsInnerRowsButNotTheLastPart) {
  rig.Feed("\x1b[2;1Habc\x1b[3;1Hdefg");
  Drag(1, 1, 2, 2);
  EXPECT_EQ(rig.session->GetSelectedText(), "bc\r\ndef");
  Drag(0, 1, 9, 1);
  EXPECT_EQ(rig.session->GetSelectedText(), "abc       ") << "one row keeps its blanks";
  rig.Feed("\x1b[5;1Hfirst\x1b[7;1Hlast");
  Drag(0, 4, 3, 6);
  EXPECT_EQ(rig.session->GetSelectedText(), "first\r\n\r\nlast");
}

TEST_F(Selection, HistoryViewTextEndsWithALineEnd) {
  rig.Feed("abc\r\ndefg\r\n");
  CTelnetSession& s = *rig.session;
  s.ScrollView(ScrollCode::LineUp, 0);  // the 24 newest entries; "abc" and "defg" are rows 21, 22
  ASSERT_EQ(s.HistoryViewRow(22), "abc");
  Drag(1, 22, 2, 23);
  EXPECT_EQ(s.GetSelectedText(), "bc\r\ndef\r\n");
  Drag(1, 22, 9, 22);
  EXPECT_EQ(s.GetSelectedText(), "bc") << "a part beyond the entry's end is empty";
}

TEST_F(Selection, PointsOutsideTheScreenAreLimitedToIt) {
  rig.Feed("\x1b[24;1Hbottom row");
  CTelnetSession& s = *rig.session;
  s.SetSelection(-50, 23 * ch + 1, 5000 * cw, 900 * ch);
  EXPECT_EQ(Peek(s).m_nSelEndRow, 23);
  EXPECT_EQ(Peek(s).m_nSelEndCol, 79);
  EXPECT_EQ(Peek(s).m_nSelStartCol, 0);
  EXPECT_EQ(s.GetSelectedText(), "bottom row" + std::string(70, ' '));
}

TEST_F(Selection, BufferTextIsTheTrimmedHistoryOldestFirst) {
  EXPECT_EQ(rig.session->GetBufferText(), "") << "nothing yet";
  rig.Feed("  one\r\ntwo  \r\n\r\nthree\r\nnot yet in the history");
  EXPECT_EQ(rig.session->GetBufferText(), "one\r\ntwo\r\n\r\nthree");
  rig.session->ClearBuffer();
  EXPECT_EQ(rig.session->GetBufferText(), "") << "blank entries only";
}

TEST_F(Selection, ResizeAndScrollingClearIt) {
  Drag(0, 0, 5, 0);
  Peek(*rig.session).m_bNawsOffered = Peek(*rig.session).m_bNawsActive = true;
  rig.session->Resize(100, 30);
  EXPECT_FALSE(rig.session->HasSelection());
  Drag(0, 0, 5, 0);
  rig.Feed("x\r\n");
  rig.session->ScrollView(ScrollCode::LineUp, 0);
  EXPECT_FALSE(rig.session->HasSelection());
}
}  // namespace
