// What a new session reads from the profile and the state it starts in.
#include <gtest/gtest.h>

#include "../support/SessionTestAccess.h"
#include "SessionFixture.h"

namespace {
TEST(SessionConstruction, DefaultsOfAnEmptyProfile) {
  SessionRig rig;
  CTelnetSession& s = rig.Start(false);
  EXPECT_FALSE(Peek(s).m_bAutoClose);
  EXPECT_FALSE(Peek(s).m_bBlockCursor);
  EXPECT_TRUE(Peek(s).m_bDisconnectNotify);
  EXPECT_FALSE(Peek(s).m_bReverseColor);
  EXPECT_EQ(s.Emulation(), 0);
  EXPECT_TRUE(s.WinSizeWarning());
  EXPECT_TRUE(Peek(s).m_bLineCheckBusy) << "no catalogue capacity: the line check is off";
  EXPECT_EQ(Peek(s).m_crForeground, MakeColour(192, 192, 192));
  EXPECT_EQ(Peek(s).m_crBackground, MakeColour(0, 0, 0));
  EXPECT_EQ(s.Screen().Width(), 80);
  EXPECT_EQ(s.Screen().Height(), 24);
  EXPECT_EQ(s.Screen().BufferSize(), 1000u);
  EXPECT_TRUE(Peek(s).m_bNawsOffered);
  EXPECT_TRUE(Peek(s).m_bNawsActive);
  EXPECT_EQ(Peek(s).m_nScrollTop, 1);
  EXPECT_EQ(Peek(s).m_nScrollBottom, 24);
  EXPECT_EQ(Peek(s).m_nAttr, kDefaultAttr);
  EXPECT_EQ(Peek(s).m_nSavedAttr, kDefaultAttr);
  EXPECT_FALSE(s.HasSelection());
  for (int r = 0; r < 24; ++r) {
    EXPECT_EQ(Peek(s).m_Text[r], std::string(80, ' '));
    EXPECT_EQ(Peek(s).m_Attrs[r], std::string(80, '\x1C'));
  }
  EXPECT_EQ(rig.host.panes[kPaneLog], "");
  EXPECT_EQ(rig.host.panes[kPaneSize], "80x24");
  EXPECT_EQ(rig.host.scrollMax, 977);
  EXPECT_EQ(rig.host.scrollPos, 977);
  EXPECT_EQ(rig.profile.Value("Screen", "Width"), "80");
  EXPECT_EQ(rig.profile.Value("Screen", "BufferSize"), "1000");
}

TEST(SessionConstruction, EmulationOtherThanZeroOrOneIsVt100) {
  const struct {
    const char* stored;
    int emulation;
  } cases[] = {{"0", 0}, {"1", 1}, {"2", 0}, {"-1", 0}, {"junk", 0}};
  for (const auto& c : cases) {
    SessionRig rig;
    rig.profile.Set("Options", "Emulation", c.stored);
    EXPECT_EQ(rig.Start(false).Emulation(), c.emulation) << c.stored;
  }
}

TEST(SessionConstruction, AnyNonZeroOptionIsOn) {
  SessionRig rig;
  rig.profile.Set("Options", "AutoClose", "7");
  rig.profile.Set("Options", "BlockCursor", "-1");
  rig.profile.Set("Options", "DisconnectNotify", "0");
  rig.profile.Set("Options", "ReverseColor", "2");
  rig.profile.Set("Options", "WinSizeWarning", "0");
  rig.profile.Set("Options", "HostText", "3");
  rig.profile.Set("Special", "DBSize", "5000");
  rig.profile.Set("Color", "BackgroundR", "1");
  rig.profile.Set("Color", "BackgroundG", "2");
  rig.profile.Set("Color", "BackgroundB", "259");
  CTelnetSession& s = rig.Start(false);
  EXPECT_TRUE(Peek(s).m_bAutoClose);
  EXPECT_TRUE(Peek(s).m_bBlockCursor);
  EXPECT_FALSE(Peek(s).m_bDisconnectNotify);
  EXPECT_TRUE(Peek(s).m_bReverseColor);
  EXPECT_FALSE(s.WinSizeWarning());
  EXPECT_TRUE(s.HostTextUtf8());
  EXPECT_FALSE(Peek(s).m_bLineCheckBusy);
  EXPECT_EQ(Peek(s).m_crBackground, MakeColour(1, 2, 3));
  EXPECT_EQ(s.EraseColour(), Peek(s).m_crForeground)
      << "reversed colours erase with the foreground";
}

TEST(SessionConstruction, TheStoredSizeAndCapacityShapeTheScreen) {
  SessionRig rig;
  rig.profile.Set("Screen", "Width", "132");
  rig.profile.Set("Screen", "Height", "50");
  rig.profile.Set("Screen", "BufferSize", "2000");
  CTelnetSession& s = rig.Start(false);
  EXPECT_EQ(s.Screen().Width(), 132);
  EXPECT_EQ(s.Screen().Height(), 50);
  EXPECT_EQ(Peek(s).m_History.size(), 2000u);
  EXPECT_EQ(rig.host.scrollMax, 2000 - 50 + 1);
  EXPECT_EQ(rig.host.clientWidth, 132 * Peek(s).m_nCharWidth);
  EXPECT_EQ(rig.host.clientHeight, 50 * Peek(s).m_nCharHeight);
}
}  // namespace
