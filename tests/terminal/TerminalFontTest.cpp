// The terminal font: what the session asks its window for at the start and
// when the user picks one, and what it stores. The drawing itself (rows,
// runs, colours, cursor, panes, scroll-back view) is in
// tests/data/streams/rendering.case.
#include <gtest/gtest.h>

#include "../support/SessionTestAccess.h"
#include "SessionFixture.h"

namespace {
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
