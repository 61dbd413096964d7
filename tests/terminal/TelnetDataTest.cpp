// User data on the wire: every byte 255 doubled, the session's own telnet
// replies untouched.
#include <gtest/gtest.h>

#include "EscapedBytes.h"
#include "SessionFixture.h"
#include "terminal/TelnetCommands.h"

namespace {

TEST(TelnetData, EveryByte255IsDoubledAndNothingElseChanges) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},
      {"plain \\r\\n\\e[A\\0\\xfe", "plain \\r\\n\\e[A\\0\\xfe"},
      {"\\xff", "\\xff\\xff"},
      {"a \\xff b \\xff \\xff c", "a \\xff\\xff b \\xff\\xff \\xff\\xff c"},
      {"\\xff\\xff\\xfb\\x01", "\\xff\\xff\\xff\\xff\\xfb\\x01"},  // already doubled: doubled again
  };
  for (const auto& c : cases)
    EXPECT_EQ(Escape(DoubleIac(Unescape(c.in))), Escape(Unescape(c.out))) << c.in;
}

TEST(TelnetData, UserDataGoesOutDoubledTheSessionsOwnRepliesAsTheyAre) {
  SessionRig rig;
  rig.Start();
  rig.TakeSent();
  rig.session->SendData(Unescape("a\\xffb"));
  EXPECT_EQ(Escape(rig.TakeSent()), "a\\xff\\xffb");
  rig.Feed(Unescape("{IAC}{DO}{TTYPE}"));
  EXPECT_EQ(Escape(rig.TakeSent()), Escape(Unescape("{IAC}{WILL}{NAWS}{IAC}{WILL}{TTYPE}")));
}

}  // namespace
