// The screen primitives as local echo and the escape interpreter call them.
#include <gtest/gtest.h>

#include "../support/SessionTestAccess.h"
#include "SessionFixture.h"

namespace {
class ScreenPrimitives : public testing::Test {
 protected:
  ScreenPrimitives() {
    rig.profile.Set("Screen", "Width", "6");
    rig.profile.Set("Screen", "Height", "3");
    rig.Start();
  }
  void Echo(const std::string& typed) {
    for (char c : typed) rig.session->PutChar(static_cast<unsigned char>(c));
  }
  SessionRig rig;
};

TEST_F(ScreenPrimitives, EchoedBackspaceAndReturnMoveTheCursorThemselves) {
  Echo("\b");
  EXPECT_EQ(Peek(*rig.session).m_nCursorCol, 0) << "backspace in column 0 does nothing";
  Echo("ab\bc\rd");
  EXPECT_EQ(rig.Row(0), "ac");
  EXPECT_EQ(rig.Row(1), "d");
  EXPECT_EQ(Peek(*rig.session).m_History[0], "ac") << "a typed return is a line feed too";
  Echo("\r\re");  // the return on the last row scrolls
  EXPECT_EQ(rig.Row(0), "d");
  EXPECT_EQ(rig.Row(2), "e");
  EXPECT_EQ(Peek(*rig.session).m_nCursorRow, 2);
}

TEST_F(ScreenPrimitives, EchoWrapsAfterTheLastColumnAndStoresOtherBytesAsTyped) {
  Echo("abcdef");
  EXPECT_EQ(Peek(*rig.session).m_nCursorCol, 6) << "pending wrap, nothing wrapped yet";
  EXPECT_EQ(Peek(*rig.session).m_nLineCount, 0u);
  Echo("g\t");
  EXPECT_EQ(rig.Row(1), "g\t");
  EXPECT_EQ(Peek(*rig.session).m_History[0], "abcdef");
}

TEST_F(ScreenPrimitives, EraseOperationsStayInsideTheScreenAndKeepTheCursor) {
  Echo("abcdef");
  Peek(*rig.session).m_nCursorCol = 4;
  rig.session->EraseLine(0, 2);
  EXPECT_EQ(Peek(*rig.session).m_Text[0], "ab    ");
  rig.session->EraseLine(0, 6);
  rig.session->EraseLine(0, 600);
  rig.session->EraseLine(-1, 0);
  rig.session->EraseLine(3, 0);
  EXPECT_EQ(Peek(*rig.session).m_Text[0], "ab    ");
  rig.session->EraseBelow(-4);
  EXPECT_EQ(Peek(*rig.session).m_Text[0], "      ");
  EXPECT_EQ(Peek(*rig.session).m_nCursorCol, 4);
  EXPECT_EQ(Peek(*rig.session).m_nCursorRow, 0);
}
}  // namespace
