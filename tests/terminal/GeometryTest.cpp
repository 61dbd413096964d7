// Screen geometry: reshaping the grid on Resize, the history capacity, the
// scroll-back view (offsets, scroll bar, wheel, rows shown) and the window size.
#include <gtest/gtest.h>

#include <algorithm>

#include "../support/SessionTestAccess.h"
#include "SessionFixture.h"

namespace {
// A disconnected session: every size request is applied at once.
class Geometry : public testing::Test {
 protected:
  CTelnetSession& Start(int w = 80, int h = 24, int buffer = 1000) {
    rig.profile.Set("Screen", "Width", std::to_string(w));
    rig.profile.Set("Screen", "Height", std::to_string(h));
    rig.profile.Set("Screen", "BufferSize", std::to_string(buffer));
    return rig.Start(false);
  }
  // Row r filled with letter 'A' + r, the cursor left at the top-left cell.
  void FillRows() {
    std::string bytes;
    for (int r = 0; r < s().Screen().Height(); ++r)
      bytes +=
          "\x1b[" + std::to_string(r + 1) + ";1H" +
          std::string(static_cast<std::size_t>(s().Screen().Width()), static_cast<char>('A' + r));
    rig.Feed(bytes + "\x1b[H");
  }
  // Appends n numbered lines to the history ("L0", "L1", ...).
  void AppendLines(int n) {
    std::string bytes;
    for (int i = 0; i < n; ++i) bytes += "\rL" + std::to_string(i) + "\n";
    rig.Feed(bytes);
  }
  CTelnetSession& s() { return *rig.session; }
  SessionRig rig;
};

struct CursorCase {
  int oldW, oldH, row, col, newW, newH, wantRow, wantCol;
};
void PrintTo(const CursorCase& c, std::ostream* os) {
  *os << c.oldW << "x" << c.oldH << " cursor " << c.row << "," << c.col << " to " << c.newW << "x"
      << c.newH;
}

class ResizeCursor : public Geometry, public testing::WithParamInterface<CursorCase> {};

TEST_P(ResizeCursor, EndsOnTheScreen) {
  const CursorCase& c = GetParam();
  Start(c.oldW, c.oldH);
  Peek(s()).m_nCursorRow = c.row;
  Peek(s()).m_nCursorCol = c.col;
  s().Resize(c.newW, c.newH);
  EXPECT_EQ(Peek(s()).m_nCursorRow, c.wantRow);
  EXPECT_EQ(Peek(s()).m_nCursorCol, c.wantCol);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResizeCursor,
    testing::Values(CursorCase{80, 24, 23, 7, 80, 20, 19, 7},   // bottom rows kept
                    CursorCase{80, 24, 2, 7, 80, 20, 0, 0},     // pushed off the top
                    CursorCase{80, 24, 5, 50, 40, 24, 6, 0},    // beyond the new width
                    CursorCase{80, 24, 5, 40, 40, 24, 5, 40},   // exactly at it: pending wrap
                    CursorCase{80, 24, 23, 50, 40, 24, 23, 0},  // would fall below: scroll
                    CursorCase{80, 24, 23, 50, 40, 20, 19, 0},  // both shrink
                    CursorCase{80, 24, 0, 79, 100, 30, 0, 79},  // growth keeps it
                    CursorCase{80, 24, 10, 5000, 1, 1, 0, 0}));

TEST_F(Geometry, ShrinkingKeepsTheBottomRowsAndNotIntoTheHistory) {
  Start();
  FillRows();
  s().Resize(40, 20);
  ASSERT_EQ(Peek(s()).m_Text.size(), 20u);
  for (int r = 0; r < 20; ++r) {
    EXPECT_EQ(Peek(s()).m_Text[r], std::string(40, static_cast<char>('A' + r + 4))) << r;
    EXPECT_EQ(Peek(s()).m_Attrs[r].size(), 40u);
  }
  EXPECT_EQ(Peek(s()).m_nLineCount, 0u);
}

TEST_F(Geometry, GrowingPadsRowsAndAddsBlankDirtyRows) {
  Start();
  rig.Feed("\x1b[1;33mab\x1b[H");
  Peek(s()).m_DirtyLines.assign(24, 0);
  s().Resize(100, 30);
  ASSERT_EQ(Peek(s()).m_Text.size(), 30u);
  EXPECT_EQ(Peek(s()).m_Text[0], "ab" + std::string(98, ' '));
  EXPECT_EQ(Peek(s()).m_Attrs[0].substr(0, 2), std::string(2, '\x0D'));
  EXPECT_EQ(Peek(s()).m_Attrs[0].substr(80), std::string(20, '\x1C'));
  for (int r = 24; r < 30; ++r) {
    EXPECT_EQ(Peek(s()).m_Text[r], std::string(100, ' ')) << r;
    EXPECT_EQ(Peek(s()).m_Attrs[r], std::string(100, '\x1C')) << r;
    EXPECT_EQ(Peek(s()).m_DirtyLines[r], 1) << r;
  }
}

TEST_F(Geometry, AnAppliedResizeResetsViewRegionSelectionAndStoresTheSize) {
  Start();
  AppendLines(30);
  rig.Feed("\x1b[3;9r");
  s().ScrollView(ScrollCode::LineUp, 0);
  Peek(s()).m_nSelStartCol = Peek(s()).m_nSelStartRow = 0;
  Peek(s()).m_nSelEndCol = Peek(s()).m_nSelEndRow = 1;
  rig.profile.writes.clear();

  s().Resize(300, 30);

  EXPECT_EQ(s().Screen().Width(), 255);
  EXPECT_EQ(rig.profile.Value("Screen", "Width"), "255");
  EXPECT_EQ(rig.profile.Value("Screen", "Height"), "30");
  EXPECT_EQ(rig.host.panes[kPaneSize], "255x30");
  EXPECT_EQ(Peek(s()).m_nScrollTop, 1);
  EXPECT_EQ(Peek(s()).m_nScrollBottom, 30);
  EXPECT_FALSE(s().HasSelection());
  EXPECT_EQ(Peek(s()).m_nScrollBackPos, 0);
  EXPECT_EQ(rig.host.scrollMax, 1000 - 30 + 1);
  EXPECT_EQ(rig.host.scrollPos, 1000 - 30 + 1) << "thumb at the bottom: live";
  EXPECT_EQ(rig.host.clientWidth, 255 * Peek(s()).m_nCharWidth);
  EXPECT_EQ(rig.host.clientHeight, 30 * Peek(s()).m_nCharHeight);
  EXPECT_TRUE(Peek(s()).m_bSelfResize);
}

TEST_F(Geometry, FittingToTheSameSizeExpectsNoNotification) {
  Start();
  ASSERT_TRUE(Peek(s()).m_bSelfResize) << "the first fit changed the window";
  s().SizeToWindow(0, 0);  // the notification of that fit: swallowed
  EXPECT_EQ(s().Screen().Width(), 80);
  s().Resize(80, 24);
  EXPECT_FALSE(Peek(s()).m_bSelfResize) << "a fit that changes nothing sends nothing to swallow";
}

TEST_F(Geometry, SizeToWindowGainsPartlyShownCellsAndLosesCutOnes) {
  Start();
  Peek(s()).m_bSelfResize = false;
  const int cw = Peek(s()).m_nCharWidth, ch = Peek(s()).m_nCharHeight;
  struct {
    int cx, wantColumns;
  } widths[] = {{91 * cw - 4, 91}, {90 * cw, 90}, {90 * cw - 4, 90}, {80 * cw, 80},
                {80 * cw - 4, 79}, {0, 1},        {-50, 1}};
  for (const auto& w : widths) {
    s().Resize(80, 24);
    Peek(s()).m_bSelfResize = false;
    s().SizeToWindow(w.cx, 24 * ch);
    EXPECT_EQ(s().Screen().Width(), w.wantColumns) << "cx " << w.cx;
    EXPECT_EQ(s().Screen().Height(), 24) << "cx " << w.cx;
  }
  s().Resize(80, 24);
  Peek(s()).m_bSelfResize = false;
  s().SizeToWindow(80 * cw, 24 * ch + 1);
  EXPECT_EQ(s().Screen().Height(), 25);
}

TEST_F(Geometry, SizeToWindowSwallowsTheNotificationOfItsOwnFit) {
  Start();
  Peek(s()).m_bSelfResize = true;
  s().SizeToWindow(10, 10);
  EXPECT_EQ(s().Screen().Width(), 80);
  EXPECT_FALSE(Peek(s()).m_bSelfResize);
}

TEST_F(Geometry, SizeToWindowWhileTheSizeIsNotNegotiatedKeepsTheScreen) {
  Start();
  s().OpenConnection("127.0.0.1", 23);
  rig.Feed("\xff\xfc\x01");  // a first command: the offer goes out, no answer yet
  Peek(s()).m_bSelfResize = false;
  s().SizeToWindow(100 * Peek(s()).m_nCharWidth, 30 * Peek(s()).m_nCharHeight);
  EXPECT_EQ(s().Screen().Width(), 80);
  EXPECT_FALSE(Peek(s()).m_bSelfResize) << "the window keeps the user's size";
}

// A window that cannot take the size asked for: while it is being fitted it
// reports the fit, then the smaller size it really got.
class ConstrainedHost : public HeadlessHost {
 public:
  bool FitClientArea(int width, int height) override {
    const bool changed = HeadlessHost::FitClientArea(width, height);
    if (session != nullptr && !fitting) {
      fitting = true;
      session->SizeToWindow(width, height);
      session->SizeToWindow(width - 10 * Peek(*session).m_nCharWidth,
                            height - 4 * Peek(*session).m_nCharHeight);
      fitting = false;
    }
    return changed;
  }
  CTelnetSession* session = nullptr;
  bool fitting = false;
};

TEST(GeometryNested, ASizeNotificationDuringTheFitLeavesAConsistentScreen) {
  MemoryProfile profile;
  ConstrainedHost host;
  ScriptedConnection connection;
  CTelnetSession s(host, connection, profile);
  host.session = &s;
  s.Resize(100, 30);
  EXPECT_EQ(s.Screen().Width(), 90);
  EXPECT_EQ(s.Screen().Height(), 26);
  EXPECT_EQ(Peek(s).m_nScrollTop, 1);
  EXPECT_EQ(Peek(s).m_nScrollBottom, 26);
  EXPECT_EQ(profile.Value("Screen", "Height"), "26");
  host.session = nullptr;
  connection.Queue(std::string(40, '\n'));
  s.OnReceive(0);
  EXPECT_EQ(Peek(s).m_nCursorRow, 25);
}

// While connected a host can resize the screen hundreds of times a second; the
// profile gets the latest size once per connected-time tick, and whatever is
// still held when the connection or the session ends.
struct HeldSizeCase {
  const char* name;
  void (*end)(SessionRig& rig);
};
void PrintTo(const HeldSizeCase& c, std::ostream* os) { *os << c.name; }

class HeldSize : public testing::TestWithParam<HeldSizeCase> {};

TEST_P(HeldSize, IsWrittenOnceWithTheLatestSize) {
  SessionRig rig;
  rig.Start();
  rig.profile.writes.clear();  // the start's own write
  const auto writes = [&rig](const char* key) {
    return std::count_if(rig.profile.writes.begin(), rig.profile.writes.end(),
                         [key](const MemoryProfile::Write& w) { return w.key == key; });
  };
  // Accept the size, push the cursor past the edge, refuse: three resizes a round.
  const std::string round = "\xff\xfd\x1f\x1b[200G\xff\xfe\x1f\xff\xfd\x1f\x1b[255G";
  for (int i = 0; i < 100; ++i) rig.Feed(round);
  ASSERT_EQ(rig.session->Screen().Width(), 255);
  EXPECT_EQ(writes("Width"), 0);

  GetParam().end(rig);
  EXPECT_EQ(writes("Width"), 1);
  EXPECT_EQ(writes("Height"), 1);
  EXPECT_EQ(rig.profile.Value("Screen", "Width"), "255");
  EXPECT_EQ(rig.profile.Value("Screen", "Height"), "24");
  if (rig.session) {
    rig.session->UpdateConnectedTime();
    EXPECT_EQ(writes("Width"), 1) << "nothing new, nothing written";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Ends, HeldSize,
    testing::Values(HeldSizeCase{"Tick", [](SessionRig& r) { r.session->UpdateConnectedTime(); }},
                    HeldSizeCase{"UsersClose", [](SessionRig& r) { r.session->Close(); }},
                    HeldSizeCase{"HostsClose", [](SessionRig& r) { r.session->OnClose(0); }},
                    HeldSizeCase{"SessionsEnd", [](SessionRig& r) { r.session.reset(); }}),
    [](const testing::TestParamInfo<HeldSizeCase>& info) { return std::string(info.param.name); });

TEST_F(Geometry, SetBufferSizeKeepsEntriesRestartsTheCountAndReturnsToLive) {
  Start();
  AppendLines(1001);  // entry 0 holds L1000, entries 1..999 L1..L999
  s().ScrollView(ScrollCode::PageUp, 0);
  rig.profile.writes.clear();

  s().SetBufferSize(2000);

  ASSERT_EQ(Peek(s()).m_History.size(), 2000u);
  EXPECT_EQ(Peek(s()).m_History[0], "L1000");
  EXPECT_EQ(Peek(s()).m_History[999], "L999");
  EXPECT_EQ(Peek(s()).m_History[1000], "");
  EXPECT_EQ(Peek(s()).m_nLineCount, 0u);
  EXPECT_EQ(Peek(s()).m_nScrollBackPos, 0);
  EXPECT_EQ(rig.host.scrollMax, 2000 - 24 + 1);
  EXPECT_EQ(rig.host.scrollPos, 2000 - 24 + 1) << "thumb at the bottom: live";
  EXPECT_EQ(rig.profile.Value("Screen", "BufferSize"), "2000");
  AppendLines(1);
  EXPECT_EQ(Peek(s()).m_History[0], "L0");
}

// At a gigabyte a second of short lines the line count passes 2^32 within
// minutes; the ring must go on overwriting its oldest entry, in order.
TEST_F(Geometry, HistoryStaysInOrderPastFourBillionLines) {
  Start(20, 5, 10);
  Peek(s()).m_nLineCount = (std::uint64_t{1} << 32) - 13;
  AppendLines(18);  // 13 before the 32-bit mark, 5 after: fewer than the ring
  std::string expected = "L8";
  for (int i = 9; i < 18; ++i) expected += "\r\nL" + std::to_string(i);
  EXPECT_EQ(s().GetBufferText(), expected);
}

TEST_F(Geometry, SetBufferSizeAlwaysKeepsOneToMaxSlots) {
  Start();
  const struct {
    int requested;
    std::size_t slots;
  } cases[] = {{0, 1}, {-5, 1}, {1, 1}, {65536, 65536}, {70000, 65536}, {30, 30}};
  for (const auto& c : cases) {
    s().SetBufferSize(c.requested);
    EXPECT_EQ(Peek(s()).m_History.size(), c.slots) << c.requested;
    EXPECT_EQ(s().Screen().BufferSize(), c.slots) << c.requested;
    EXPECT_EQ(rig.profile.Value("Screen", "BufferSize"), std::to_string(c.slots)) << c.requested;
  }
  AppendLines(3);
  EXPECT_EQ(Peek(s()).m_History.size(), 30u);
}

TEST_F(Geometry, ClearBufferBlanksScreenAndHistoryButKeepsCountsAndCursor) {
  Start(20, 5, 10);
  AppendLines(4);
  rig.Feed("\x1b[2;4rtext\x1b[3;7H");
  const int draws = rig.host.clientDraws;
  s().ClearBuffer();
  EXPECT_EQ(rig.host.clientDraws, draws + 1) << "repainted at once";
  for (const std::string& row : Peek(s()).m_Text) EXPECT_EQ(row, std::string(20, ' '));
  for (const std::string& entry : Peek(s()).m_History) EXPECT_EQ(entry, std::string(20, ' '));
  EXPECT_EQ(Peek(s()).m_nLineCount, 4u);
  EXPECT_EQ(Peek(s()).m_nCursorRow, 2);
  EXPECT_EQ(Peek(s()).m_nCursorCol, 6);
  EXPECT_EQ(Peek(s()).m_nScrollTop, 2);
  EXPECT_EQ(Peek(s()).m_nScrollBottom, 4);
}

// ScrollView's table, with M = 1000 - 24 + 1 = 977.
struct ScrollCase {
  int from;
  ScrollCode code;
  int position, want;
  bool acts;  // false: returned at once (selection and scroll bar untouched)
};
void PrintTo(const ScrollCase& c, std::ostream* os) {
  *os << "from " << c.from << " code " << static_cast<int>(c.code) << " position " << c.position;
}

class ScrollTable : public Geometry, public testing::WithParamInterface<ScrollCase> {};

TEST_P(ScrollTable, MovesTheOffset) {
  const ScrollCase& c = GetParam();
  Start();
  Peek(s()).m_nScrollBackPos = c.from;
  Peek(s()).m_nSelStartCol = Peek(s()).m_nSelStartRow = 0;
  Peek(s()).m_nSelEndCol = Peek(s()).m_nSelEndRow = 1;
  const int invalidations = rig.host.invalidations;
  rig.host.scrollPos = -1;
  s().ScrollView(c.code, c.position);
  EXPECT_EQ(Peek(s()).m_nScrollBackPos, c.want);
  EXPECT_EQ(s().HasSelection(), !c.acts);
  EXPECT_EQ(rig.host.scrollPos, c.acts ? 977 - c.want : -1);
  EXPECT_EQ(rig.host.invalidations, invalidations + (c.acts ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(Table, ScrollTable,
                         testing::Values(ScrollCase{0, ScrollCode::LineUp, 0, 1, true},
                                         ScrollCase{976, ScrollCode::LineUp, 0, 977, true},
                                         ScrollCase{977, ScrollCode::LineUp, 0, 977, false},
                                         ScrollCase{5, ScrollCode::LineDown, 0, 4, true},
                                         ScrollCase{0, ScrollCode::LineDown, 0, 0, false},
                                         ScrollCase{970, ScrollCode::PageUp, 0, 977, true},
                                         ScrollCase{977, ScrollCode::PageUp, 0, 977, false},
                                         ScrollCase{10, ScrollCode::PageUp, 0, 34, true},
                                         ScrollCase{20, ScrollCode::PageDown, 0, 0, true},
                                         ScrollCase{24, ScrollCode::PageDown, 0, 0, true},
                                         ScrollCase{25, ScrollCode::PageDown, 0, 1, true},
                                         ScrollCase{0, ScrollCode::PageDown, 0, 0, false},
                                         ScrollCase{0, ScrollCode::ThumbPosition, 0, 977, true},
                                         ScrollCase{0, ScrollCode::ThumbTrack, 900, 77, true},
                                         ScrollCase{5, ScrollCode::ThumbTrack, 5000, 0,
                                                    true},  // out-of-range thumb
                                         ScrollCase{5, ScrollCode::ThumbTrack, -5, 977, true},
                                         ScrollCase{5, ScrollCode::Top, 0, 5, true},
                                         ScrollCase{5, ScrollCode::Bottom, 0, 0, true},
                                         ScrollCase{5, ScrollCode::EndScroll, 0, 5, true},
                                         ScrollCase{5, static_cast<ScrollCode>(42), 0, 5, true}));

TEST_F(Geometry, AWheelMessageMovesExactlyOneLine) {
  Start();
  const struct {
    int delta, want;
  } steps[] = {{120, 1}, {240, 2}, {1200, 3}, {60, 2}, {-240, 1}, {-60, 0}, {-120, 0}, {119, 0}};
  for (const auto& step : steps) {
    s().MouseWheel(step.delta);
    EXPECT_EQ(Peek(s()).m_nScrollBackPos, step.want) << "delta " << step.delta;
  }
}

TEST_F(Geometry, ABufferSmallerThanTheScreenNeverScrollsBack) {
  Start(80, 24, 10);  // only a hand-edited profile gets here
  EXPECT_EQ(rig.host.scrollMax, 0);
  s().ScrollView(ScrollCode::LineUp, 0);
  s().ScrollView(ScrollCode::PageUp, 0);
  s().ScrollView(ScrollCode::ThumbTrack, 0);
  EXPECT_EQ(Peek(s()).m_nScrollBackPos, 0);
}

TEST_F(Geometry, TheHistoryViewShowsTheNewestLinesAtOffsetOneAndTheOldestAtTheTop) {
  Start(20, 4, 10);  // M = 7
  AppendLines(25);   // entries hold L20..L24 in slots 0..4 and L15..L19 in 5..9
  s().ScrollView(ScrollCode::LineUp, 0);
  std::vector<std::string> view;
  for (int r = 0; r < 4; ++r) view.push_back(s().HistoryViewRow(r));
  EXPECT_EQ(view, (std::vector<std::string>{"L21", "L22", "L23", "L24"}));
  s().ScrollView(ScrollCode::ThumbTrack, 0);  // o = M
  ASSERT_EQ(Peek(s()).m_nScrollBackPos, 7);
  EXPECT_EQ(s().HistoryViewRow(0), "L15") << "the entry overwritten next";
  // A line appended while the view is shown moves its content up by one row.
  s().ScrollView(ScrollCode::Bottom, 0);
  s().ScrollView(ScrollCode::LineUp, 0);
  AppendLines(1);
  view.clear();
  for (int r = 0; r < 4; ++r) view.push_back(s().HistoryViewRow(r));
  EXPECT_EQ(view, (std::vector<std::string>{"L22", "L23", "L24", "L0"}));
}
}  // namespace
