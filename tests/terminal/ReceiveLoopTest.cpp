// The receive loop around the byte walk: read errors, re-entrant notifications
// from a modal box's nested event loop, the tab limit and the log of big reads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "../support/SessionTestAccess.h"
#include "SessionFixture.h"
#include "terminal/ByteClasses.h"
#include "terminal/Screen.h"

namespace {
const std::string kDontNaws = "\xff\xfe\x1f";

// A host whose message box runs a nested "event loop": it delivers whatever
// notification the test puts in onMessageBox while the box is open.
class NestingHost : public HeadlessHost {
 public:
  MessageAnswer ShowMessage(const std::string& text, MessageKind kind) override {
    ++depth;
    if (depth == 1 && onMessageBox) onMessageBox();
    --depth;
    return HeadlessHost::ShowMessage(text, kind);
  }
  std::function<void()> onMessageBox;
  int depth = 0;
};

class ReceiveLoop : public testing::Test {
 protected:
  ReceiveLoop() {
    session = std::make_unique<CTelnetSession>(host, connection, profile);
    session->OpenConnection("127.0.0.1", 23);
  }
  std::string Row(int r) const {
    std::string row = Peek(*session).m_Text[r];
    return row.erase(row.find_last_not_of(' ') + 1);
  }
  MemoryProfile profile;
  NestingHost host;
  ScriptedConnection connection;
  std::unique_ptr<CTelnetSession> session;
};

TEST_F(ReceiveLoop, ANestedNotificationIsReadAfterTheOuterWalk) {
  int nested = 0;
  host.onMessageBox = [&] {
    ++nested;
    session->OnReceive(0);
  };
  connection.Queue(kDontNaws + "abc");
  connection.Queue("xyz");
  session->OnReceive(0);  // one notification from the outside
  EXPECT_EQ(nested, 1);
  EXPECT_TRUE(connection.incoming.empty()) << "the nested notification's data was read";
  EXPECT_EQ(Row(0), "abcxyz") << "in order, and nothing overwrote the buffer being walked";
}

TEST_F(ReceiveLoop, AHostCloseInsideTheRefusalWarningLeavesSizesApplicable) {
  session->Resize(100, 30);  // before any command: the offer, wanted 100x30
  host.onMessageBox = [&] { session->OnClose(0); };
  connection.Queue(kDontNaws);
  connection.Queue("never read");
  session->OnReceive(0);
  EXPECT_FALSE(session->IsConnected());
  EXPECT_EQ(session->Screen().Width(), 100) << "the wanted size is forced once";
  EXPECT_TRUE(Peek(*session).m_bNawsActive) << "disconnected: later sizes apply at once";
  session->Resize(90, 20);
  EXPECT_EQ(session->Screen().Width(), 90);
  EXPECT_EQ(connection.incoming.size(), 1u) << "nothing read after the close";
}

TEST_F(ReceiveLoop, AnErrorCodeOrAFailedReadConsumesNothing) {
  connection.Queue("ab\x1b[");
  session->OnReceive(0);
  const int draws = host.clientDraws;
  connection.Queue("2J");
  session->OnReceive(10053);
  EXPECT_EQ(connection.incoming.size(), 1u);
  connection.failReceive = true;
  session->OnReceive(0);
  EXPECT_EQ(host.clientDraws, draws) << "nothing repainted";
  connection.failReceive = false;
  session->OnReceive(0);
  EXPECT_EQ(Row(0), "") << "the carried ESC [ survived both and completed";
  EXPECT_EQ(Peek(*session).m_nCursorCol, 2);
  EXPECT_EQ(host.clientDraws, draws + 1) << "one repaint per read";
}

TEST_F(ReceiveLoop, TabsStopAdvancingFarBeyondAnyScreen) {
  constexpr int kLimit = 1 << 20;
  for (int start : {kLimit - 5, kLimit}) {
    Peek(*session).m_nCursorCol = start;
    connection.Queue(
        "\t\t\x1b"
        "7");
    session->OnReceive(0);
    EXPECT_EQ(Peek(*session).m_nSavedCol, kLimit) << start;
  }
}

// An operating system command string longer than the receive buffer is
// followed across reads; past 65536 bytes it is abandoned and the rest shown.
// (Too long for the stream cases, which re-run a case cut at every byte.)
TEST_F(ReceiveLoop, LongOscStringsAreSkippedUpToTheirLimit) {
  const std::string kFull(65536, 'x');
  const struct {
    std::string stream;
    std::size_t piece;  // bytes per read
    const char* shown;
    int beeps;
  } kCases[] = {
      {"\x1b]0;" + kFull.substr(2) + "\aok", 4096, "ok", 0},
      {"\x1b]" + kFull + "\x1b\\ok", 1000, "ok", 0},
      {"\x1b]" + kFull + "\x1b[1Cok", 4096, " ok", 0},
      {"\x1b]" + kFull + "yz\a!", 4096, "yz!", 1},
      {"\x1b]" + kFull + "yz\a!", 65537, "yz!", 1},
  };
  for (const auto& c : kCases) {
    session->OpenConnection("127.0.0.1", 23);
    Peek(*session).m_nCursorCol = 0;
    session->EraseLine(0, 0);
    const int beeps = host.beeps;
    for (std::size_t at = 0; at < c.stream.size(); at += c.piece)
      connection.Queue(c.stream.substr(at, c.piece));
    while (!connection.incoming.empty()) session->OnReceive(0);
    EXPECT_EQ(Row(0), c.shown) << c.stream.size() << " bytes in reads of " << c.piece;
    EXPECT_EQ(host.beeps - beeps, c.beeps) << c.stream.size() << " bytes in reads of " << c.piece;
  }
}

TEST_F(ReceiveLoop, AFullReadOfLineEndsIsLoggedExactly) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("corvane-receive-" + std::to_string(::getpid()) + ".log");
  ASSERT_TRUE(session->OpenLog(path.string()));
  const std::string crs(4096, '\r');
  const std::string mixed = std::string(4000, 'x') + std::string(95, '\r') + "\x1b";
  connection.Queue(crs);
  connection.Queue(mixed);
  connection.Queue("[m");
  while (!connection.incoming.empty()) session->OnReceive(0);
  session->CloseLog();
  std::ifstream in(path, std::ios::binary);
  std::stringstream got;
  got << in.rdbuf();
  std::string want;
  for (int i = 0; i < 4096; ++i) want += "\r\n";
  want += std::string(4000, 'x');
  for (int i = 0; i < 95; ++i) want += "\r\n";
  want += "[m";
  EXPECT_EQ(got.str().size(), want.size());
  EXPECT_TRUE(got.str() == want);
  std::filesystem::remove(path);
}
}  // namespace

// The scanner that ends a text run looks at blocks of bytes at once: every
// control byte must be found wherever it falls in or across a block, and
// high text bytes or low non-control bytes must never end the run.
TEST(FindControl, TheFirstControlByteEndsTheRunAtEveryOffset) {
  const struct {
    unsigned char byte;
    bool control;
  } kBytes[] = {{0x00, true},  {0x01, false}, {0x07, true},  {0x08, true},  {0x09, true},
                {0x0A, true},  {0x0B, false}, {0x0C, true},  {0x0D, true},  {0x0E, true},
                {0x0F, true},  {0x1B, true},  {0x1F, false}, {0x20, false}, {0x7F, false},
                {0x80, false}, {0xFE, false}, {0xFF, false}};
  constexpr int kLength = 41;
  for (const auto& [byte, control] : kBytes) {
    for (int at = 0; at < kLength; ++at) {
      // Text of every kind, with a low non-control byte just before the one tested.
      unsigned char buf[kLength];
      for (int i = 0; i < kLength; ++i)
        buf[i] = static_cast<unsigned char>(i % 2 ? 'a' + i : 0x80 + i);
      if (at > 0) buf[at - 1] = 0x1F;
      buf[at] = byte;
      for (int end : {at + 1, kLength}) {
        const unsigned char* found = FindControl(buf, buf + end);
        EXPECT_EQ(found - buf, control ? at : end)
            << "byte " << int{byte} << " at " << at << " of " << end;
      }
    }
  }
}

// Runs are stored by moves whose size depends on the run's length: every
// length stores exactly its cells, and the cells on either side stay.
TEST(StoreRun, EveryLengthStoresExactlyItsCells) {
  constexpr int kRow = 160;
  unsigned char source[kRow];
  for (int i = 0; i < kRow; ++i) source[i] = static_cast<unsigned char>('!' + i % 90);
  for (int n = 0; n <= 140; ++n) {
    for (int at : {0, 3}) {
      std::string text(kRow, '.'), attrs(kRow, '\x55');
      StoreRun(text.data() + at, attrs.data() + at, source, n, 0x1E);
      std::string wantText(kRow, '.'), wantAttrs(kRow, '\x55');
      wantText.replace(static_cast<std::size_t>(at), static_cast<std::size_t>(n),
                       reinterpret_cast<const char*>(source), static_cast<std::size_t>(n));
      wantAttrs.replace(static_cast<std::size_t>(at), static_cast<std::size_t>(n),
                        static_cast<std::size_t>(n), '\x1E');
      EXPECT_EQ(text, wantText) << n << " at " << at;
      EXPECT_EQ(attrs, wantAttrs) << n << " at " << at;
    }
  }
}
