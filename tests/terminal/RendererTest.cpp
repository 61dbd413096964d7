// Rendering decisions: which rows are drawn, how a row splits into runs, the
// colours of each run, the cursor image, the history view and the terminal font.
#include <gtest/gtest.h>

#include "../support/SessionTestAccess.h"
#include "RecordingDrawContext.h"
#include "SessionFixture.h"

namespace {
constexpr Colour kFore = MakeColour(10, 20, 30);
constexpr Colour kBack = MakeColour(40, 50, 60);
constexpr Colour kGrey = MakeColour(128, 128, 128);
constexpr Colour kWhite = MakeColour(255, 255, 255);
constexpr Colour kNavy = MakeColour(0, 0, 128);
constexpr Colour kMaroon = MakeColour(128, 0, 0);

class Renderer : public testing::Test {
 protected:
  // A small disconnected screen with distinctive user colours.
  CTelnetSession& Start(int w = 20, int h = 4) {
    rig.profile.Set("Screen", "Width", std::to_string(w));
    rig.profile.Set("Screen", "Height", std::to_string(h));
    rig.profile.Set("Screen", "BufferSize", "10");
    rig.host.drawContext = &dc;
    CTelnetSession& s = rig.Start(false);
    Peek(s).m_crForeground = kFore;
    Peek(s).m_crBackground = kBack;
    cw = Peek(s).m_nCharWidth;
    ch = Peek(s).m_nCharHeight;
    return s;
  }
  // Draws everything once so that only new changes are dirty, and forgets it.
  void Settle() {
    rig.session->Draw(dc, false);
    dc.Clear();
  }
  CTelnetSession& s() { return *rig.session; }
  SessionRig rig;
  RecordingDrawContext dc;
  int cw = 0, ch = 0;
};

TEST_F(Renderer, ABlankRowIsOneRunInTheUserColours) {
  Start();
  s().Draw(dc, false);
  const auto row = dc.TextsAt(0);
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(row[0].x, 0);
  EXPECT_EQ(row[0].text, std::string(20, ' '));
  EXPECT_EQ(row[0].fore, kFore);
  EXPECT_EQ(row[0].back, kBack);
  EXPECT_EQ(dc.Of(DrawCall::Kind::Text).size(), 4u) << "every row drawn once";
}

TEST_F(Renderer, RunsSplitWhereTheAttributeOrTheSelectionChanges) {
  Start();
  rig.Feed("0123456789\x1b[1mABCDE\x1b[m\r");
  Peek(s()).m_nSelStartRow = Peek(s()).m_nSelEndRow = 0;
  Peek(s()).m_nSelStartCol = 12;
  Peek(s()).m_nSelEndCol = 16;
  Settle();
  Peek(s()).m_DirtyLines[0] = 1;
  s().Draw(dc, true);
  const auto runs = dc.TextsAt(0);
  const std::vector<std::tuple<int, std::string, Colour, Colour>> want = {
      {0, "0123456789", kFore, kBack},
      {10, "AB", kWhite, kBack},  // bold on colour 7 takes the bright white
      {12, "CDE", kGrey, kFore},  // selected bold: inverted, bold brightens colour 0
      {15, "  ", kBack, kFore},   // selected
      {17, "   ", kFore, kBack}};
  ASSERT_EQ(runs.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    const auto& [col, text, fore, back] = want[i];
    EXPECT_EQ(runs[i].x, col * cw) << i;
    EXPECT_EQ(runs[i].text, text) << i;
    EXPECT_EQ(runs[i].fore, fore) << i;
    EXPECT_EQ(runs[i].back, back) << i;
  }
}

struct ColourCase {
  std::uint8_t attr;
  bool selected, reverseColor;
  Colour fore, back;
};
void PrintTo(const ColourCase& c, std::ostream* os) {
  *os << "attribute " << int{c.attr} << (c.selected ? " selected" : "")
      << (c.reverseColor ? " reversed" : "");
}

class RunColours : public Renderer, public testing::WithParamInterface<ColourCase> {};

TEST_P(RunColours, FollowTheAttributeSelectionAndReversedColours) {
  const ColourCase& c = GetParam();
  Start();
  Peek(s()).m_Attrs[1].assign(20, static_cast<char>(c.attr));
  Peek(s()).m_bReverseColor = c.reverseColor;
  if (c.selected) {
    Peek(s()).m_nSelStartRow = Peek(s()).m_nSelEndRow = 1;
    Peek(s()).m_nSelStartCol = 0;
    Peek(s()).m_nSelEndCol = 19;
  }
  s().Draw(dc, false);
  const auto runs = dc.TextsAt(ch);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].fore, c.fore);
  EXPECT_EQ(runs[0].back, c.back);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RunColours,
    testing::Values(ColourCase{0x1C, false, false, kFore, kBack},
                    ColourCase{0x1C, false, true, kBack, kFore},
                    ColourCase{0x1C, true, false, kBack, kFore},
                    ColourCase{0x1E, false, false, kBack, kFore},  // reverse
                    ColourCase{0x1E, false, true, kFore, kBack},   // reverse, reversed colours
                    ColourCase{0x1E, true, false, kFore, kBack},   // reverse, selected
                    ColourCase{0x1E, true, true, kBack, kFore},    // all three
                    ColourCase{0x9C, false, false, kFore, kNavy},  // background 4
                    ColourCase{0x01, false, false, kGrey, kBack},  // bold on colour 0
                    ColourCase{0x1F, false, false, kGrey, kFore},  // bold reverse: bright bg
                    ColourCase{0x25, false, false, MakeColour(255, 0, 0), kMaroon},
                    ColourCase{0xFF, false, false, kWhite, kFore}));

TEST_F(Renderer, OnlyDirtyRowsAreDrawnAndTheCursorRowIsMarkedAfterwards) {
  Start();
  Settle();
  for (int r = 0; r < 4; ++r) EXPECT_EQ(Peek(s()).m_DirtyLines[r], r == 0 ? 1 : 0) << r;
  rig.Feed("\x1b[3;1Hx");  // the receive loop draws rows 0 (cursor was there) and 2
  std::vector<int> rows;
  for (const DrawCall& c : dc.Of(DrawCall::Kind::Text)) rows.push_back(c.y / ch);
  EXPECT_EQ(rows, (std::vector<int>{0, 2}));
  EXPECT_EQ(Peek(s()).m_DirtyLines, (std::vector<std::uint8_t>{0, 0, 1, 0}));
}

TEST_F(Renderer, EveryLiveDrawingWritesReadyAndTheCursorPosition) {
  Start();
  rig.host.panes[kPaneMessage] = "Change font";
  rig.Feed("\x1b[2;7H");
  EXPECT_EQ(rig.host.panes[kPaneMessage], "Ready");
  EXPECT_EQ(rig.host.panes[kPaneCursor], "Ln 2, Col 7");
}

TEST_F(Renderer, UnderlineCursorIsALineOnTheThirdPixelRowFromTheBottom) {
  Start();
  rig.Feed("\x1b[2;7H");
  for (bool reversed : {false, true}) {
    Peek(s()).m_bReverseColor = reversed;
    dc.Clear();
    s().Draw(dc, true);
    const auto lines = dc.Of(DrawCall::Kind::Line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].x, 6 * cw);
    EXPECT_EQ(lines[0].x2, 7 * cw);
    EXPECT_EQ(lines[0].y, 2 * ch - 3);
    EXPECT_EQ(lines[0].fore, reversed ? kBack : kFore);
  }
}

TEST_F(Renderer, BlockCursorShowsTheCharacterUnderItInverted) {
  Start();
  rig.Feed("abc\x1b[1;2H\x1b[7m");
  Peek(s()).m_bBlockCursor = true;
  for (bool reversed : {false, true}) {
    Peek(s()).m_bReverseColor = reversed;
    dc.Clear();
    s().Draw(dc, true);
    ASSERT_FALSE(dc.calls.empty());
    const DrawCall& cursor = dc.calls.back();
    EXPECT_EQ(cursor.kind, DrawCall::Kind::Text);
    EXPECT_EQ(cursor.text, "b");
    EXPECT_EQ(cursor.x, cw);
    EXPECT_EQ(cursor.fore, reversed ? kFore : kBack);
    EXPECT_EQ(cursor.back, reversed ? kBack : kFore);
    EXPECT_TRUE(dc.Of(DrawCall::Kind::Line).empty());
  }
}

// A wrap pending after the last column, or a tab past the edge, leaves the
// cursor on the last column: drawn there and reported there.
TEST_F(Renderer, TheCursorInThePendingWrapColumnIsDrawnAndReportedOnTheLastColumn) {
  const struct {
    const char* bytes;
    int col;
    const char* under;
  } cases[] = {{"abcdefghijklmnopqrst", 20, "t"}, {"abcdefghijklmnopq\t", 24, " "}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    Start();
    rig.Feed(c.bytes);
    ASSERT_EQ(Peek(s()).m_nCursorCol, c.col);  // nothing has wrapped
    dc.Clear();
    s().Draw(dc, false);
    EXPECT_EQ(dc.Of(DrawCall::Kind::Line).at(0).x, 19 * cw);
    EXPECT_EQ(rig.host.panes[kPaneCursor], "Ln 1, Col 20");
    Peek(s()).m_bBlockCursor = true;
    dc.Clear();
    s().Draw(dc, false);
    EXPECT_EQ(dc.calls.back().text, c.under);
    EXPECT_EQ(dc.calls.back().x, 19 * cw);
  }
}

class HistoryView : public Renderer {
 protected:
  // 20x4 screen, 10 entries: L15..L24 after 25 lines, viewed one line back.
  void SetUp() override {
    Start();
    std::string bytes;
    for (int i = 0; i < 25; ++i) bytes += "\rL" + std::to_string(i) + "\n";
    rig.Feed(bytes);
    s().ScrollView(ScrollCode::LineUp, 0);
    dc.Clear();
  }
};

TEST_F(HistoryView, DrawsEntriesFillsTheRestAndNoCursor) {
  const std::vector<std::uint8_t> dirty = Peek(s()).m_DirtyLines;
  s().Draw(dc, true);
  const auto texts = dc.Of(DrawCall::Kind::Text);
  ASSERT_EQ(texts.size(), 4u);
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(texts[r].text, "L2" + std::to_string(r + 1));
    EXPECT_EQ(texts[r].y, r * ch);
    EXPECT_EQ(texts[r].fore, kFore);
    EXPECT_EQ(texts[r].back, kBack);
  }
  const auto fills = dc.Of(DrawCall::Kind::Fill);
  ASSERT_EQ(fills.size(), 4u);
  EXPECT_EQ(fills[0].x, 3 * cw);
  EXPECT_EQ(fills[0].width, 17 * cw);
  EXPECT_EQ(fills[0].fore, kBack);
  EXPECT_TRUE(dc.Of(DrawCall::Kind::Line).empty());
  EXPECT_EQ(Peek(s()).m_DirtyLines, dirty) << "flags neither used nor cleared";
  EXPECT_EQ(rig.host.panes[kPaneMessage],
            "Scroll back mode (Press Pause/Break to return to telnet session)");
  EXPECT_EQ(rig.host.panes[kPaneCursor], "Ln 7-10");
}

TEST_F(HistoryView, ReceivedLinesRedrawTheViewMovedUpAndLeaveItsOffset) {
  rig.Feed("\rnew\n");
  EXPECT_EQ(Peek(s()).m_nScrollBackPos, 1);
  const auto texts = dc.Of(DrawCall::Kind::Text);
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0].text, "L22");
  EXPECT_EQ(texts[3].text, "new");
  EXPECT_TRUE(dc.Of(DrawCall::Kind::Line).empty()) << "no cursor in the history view";
}

TEST_F(HistoryView, LineNumbersNameTheFirstAndLastEntryInView) {
  const struct {
    int offset;
    const char* pane;
  } cases[] = {{1, "Ln 7-10"}, {2, "Ln 6-9"}, {7, "Ln 1-4"}};
  for (const auto& c : cases) {
    Peek(s()).m_nScrollBackPos = c.offset;
    s().Draw(dc, false);
    EXPECT_EQ(rig.host.panes[kPaneCursor], c.pane);
  }
}

TEST_F(HistoryView, ASelectionInvertsFromItsStartToItsEndAcrossRows) {
  Peek(s()).m_bReverseColor = true;  // the pairs swap, so normal text is kBack on kFore
  Peek(s()).m_nSelStartRow = 0;
  Peek(s()).m_nSelStartCol = 1;
  Peek(s()).m_nSelEndRow = 2;
  Peek(s()).m_nSelEndCol = 1;
  s().Draw(dc, true);
  const auto texts = dc.Of(DrawCall::Kind::Text);
  const std::vector<std::tuple<std::string, int, bool>> want = {
      {"L", 0, false}, {"21", 1, true}, {"L22", 0, true},
      {"L2", 0, true}, {"3", 2, false}, {"L24", 0, false}};
  ASSERT_EQ(texts.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    const auto& [text, col, inverted] = want[i];
    EXPECT_EQ(texts[i].text, text) << i;
    EXPECT_EQ(texts[i].x, col * cw) << i;
    EXPECT_EQ(texts[i].fore, inverted ? kFore : kBack) << i;
    EXPECT_EQ(texts[i].back, inverted ? kBack : kFore) << i;
  }
  // The rest of row 1 is painted in the selection's background.
  EXPECT_EQ(dc.Of(DrawCall::Kind::Fill).at(1).fore, kBack);
}

// A host that remembers the font it was asked for.
class FontHost : public HeadlessHost {
 public:
  bool CreateTerminalFont(const FontDescription& desc, int& w, int& h) override {
    requested.push_back(desc);
    return HeadlessHost::CreateTerminalFont(desc, w, h);
  }
  std::vector<FontDescription> requested;
};

class TerminalFont : public testing::Test {
 protected:
  CTelnetSession& Start() {
    session = std::make_unique<CTelnetSession>(host, connection, profile);
    profile.writes.clear();
    return *session;
  }
  MemoryProfile profile;
  FontHost host;
  ScriptedConnection connection;
  std::unique_ptr<CTelnetSession> session;
};

TEST_F(TerminalFont, StartUpNormalisesAndWritesBackTheStoredFont) {
  profile.Set("Font", "Italic", "5");
  profile.Set("Font", "CharSet", "300");
  profile.Set("Font", "Size", "95");
  profile.Set("Font", "Name", std::string(40, 'N'));
  profile.Set("Color", "ForegroundR", "300");
  profile.Set("Color", "ForegroundG", "1");
  profile.Set("Color", "ForegroundB", "2");
  host.cellWidth = 9;
  host.cellHeight = 18;
  CTelnetSession& s = Start();
  ASSERT_EQ(host.requested.size(), 1u);
  const FontDescription& d = host.requested[0];
  EXPECT_EQ(d.faceName, std::string(31, 'N'));
  EXPECT_TRUE(d.italic);
  EXPECT_EQ(d.charSet, 44);
  EXPECT_EQ(d.heightTenths, 95);
  EXPECT_TRUE(d.fixedPitch);
  EXPECT_EQ(Peek(s).m_nCharWidth, 9);
  EXPECT_EQ(Peek(s).m_nCharHeight, 18);
  EXPECT_EQ(Peek(s).m_crForeground, MakeColour(44, 1, 2));
  EXPECT_EQ(profile.Value("Font", "Italic"), "1");
  EXPECT_EQ(profile.Value("Font", "CharSet"), "44");
  EXPECT_EQ(profile.Value("Font", "Name"), std::string(31, 'N'));
  EXPECT_EQ(profile.Value("Color", "ForegroundR"), "44");
  EXPECT_EQ(host.clientWidth, 80 * 9) << "the start-up resize fits the window";
}

TEST_F(TerminalFont, ANewFontIsMeasuredFittedAndStored) {
  CTelnetSession& s = Start();
  host.cellWidth = 11;
  host.cellHeight = 22;
  FontDescription d;
  d.faceName = "Courier";
  d.heightTenths = 120;
  d.fixedPitch = false;
  Peek(s).m_bSelfResize = false;
  s.CreateTerminalFont(d, MakeColour(1, 2, 3), true);
  EXPECT_TRUE(host.requested.back().fixedPitch) << "always asked for a fixed pitch";
  EXPECT_EQ(Peek(s).m_nCharWidth, 11);
  EXPECT_EQ(host.clientWidth, 80 * 11);
  EXPECT_EQ(host.clientHeight, 24 * 22);
  EXPECT_TRUE(Peek(s).m_bSelfResize);
  EXPECT_EQ(Peek(s).m_crForeground, MakeColour(1, 2, 3));
  std::vector<std::string> written;
  for (const auto& w : profile.writes) written.push_back(w.section + "/" + w.key + "=" + w.value);
  EXPECT_EQ(written, (std::vector<std::string>{
                         "Font/Name=Courier", "Font/Size=120", "Font/Italic=0", "Font/CharSet=1",
                         "Color/ForegroundR=1", "Color/ForegroundG=2", "Color/ForegroundB=3"}));
}

TEST_F(TerminalFont, AnEmptyFaceNameChangesNothing) {
  CTelnetSession& s = Start();
  const int width = Peek(s).m_nCharWidth;
  FontDescription d;
  d.faceName = "";
  s.CreateTerminalFont(d, MakeColour(1, 2, 3), true);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "No font is selected");
  EXPECT_EQ(host.messages[0].kind, MessageKind::Stop);
  EXPECT_TRUE(Peek(s).m_bHasFont);
  EXPECT_EQ(Peek(s).m_nCharWidth, width);
  EXPECT_EQ(Peek(s).m_crForeground, MakeColour(192, 192, 192));
  EXPECT_TRUE(profile.writes.empty());
}

TEST_F(TerminalFont, AFailedCreationLeavesNoFontAndStoresNothing) {
  CTelnetSession& s = Start();
  host.fontCreationFails = true;
  host.cellWidth = 30;
  FontDescription d;
  d.faceName = "Missing";
  s.CreateTerminalFont(d, MakeColour(1, 2, 3), true);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Font creation failed");
  EXPECT_FALSE(Peek(s).m_bHasFont);
  EXPECT_EQ(Peek(s).m_nCharWidth, 8) << "the cell size stays";
  EXPECT_EQ(Peek(s).m_crForeground, MakeColour(192, 192, 192));
  EXPECT_TRUE(profile.writes.empty());
}

TEST_F(TerminalFont, AnEmptyStoredFaceNameStartsWithoutAFont) {
  profile.Set("Font", "Name", "");
  CTelnetSession& s = Start();
  EXPECT_TRUE(host.requested.empty());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "No font is selected");
  EXPECT_FALSE(Peek(s).m_bHasFont);
  EXPECT_EQ(s.Screen().Width(), 80) << "the screen is shaped all the same";
}
}  // namespace
