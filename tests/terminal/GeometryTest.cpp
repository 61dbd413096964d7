// Screen geometry a byte-stream case cannot set up: a window that resizes
// while it is fitted, sizes held over many host resizes, and a line count past
// 32 bits. The rest of the geometry is in tests/data/streams/geometry.case.
#include <gtest/gtest.h>

#include <algorithm>

#include "../support/SessionTestAccess.h"
#include "SessionFixture.h"

namespace {
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

// At a gigabyte a second of short lines the line count passes 2^32 within
// minutes; the ring must go on overwriting its oldest entry, in order.
TEST(GeometryHistory, StaysInOrderPastFourBillionLines) {
  SessionRig rig;
  rig.profile.Set("Screen", "Width", "20");
  rig.profile.Set("Screen", "Height", "5");
  rig.profile.Set("Screen", "BufferSize", "10");
  CTelnetSession& s = rig.Start(false);
  Peek(s).m_nLineCount = (std::uint64_t{1} << 32) - 13;
  std::string bytes;  // 13 lines before the 32-bit mark, 5 after: fewer than the ring
  for (int i = 0; i < 18; ++i) bytes += "\rL" + std::to_string(i) + "\n";
  rig.Feed(bytes);
  std::string expected = "L8";
  for (int i = 9; i < 18; ++i) expected += "\r\nL" + std::to_string(i);
  EXPECT_EQ(s.GetBufferText(), expected);
}

}  // namespace
