// The session log as a real file: what the host sent, controls dropped, each
// CR written as CR LF, across reads and connections; and the raw log.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

using namespace std::string_literals;

#include "SessionFixture.h"

namespace {
namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class SessionLog : public testing::Test {
 protected:
  SessionLog() {
    dir =
        fs::temp_directory_path() / ("corvane-log-" + std::to_string(::getpid()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    rig.Start();
  }
  ~SessionLog() override { fs::remove_all(dir); }
  void StartLog(const fs::path& path) {
    rig.session->ToggleLog([&]() -> std::optional<std::string> { return path.string(); });
  }
  fs::path dir;
  SessionRig rig;
};

TEST_F(SessionLog, FiltersBytesExactly) {
  const fs::path file = dir / "session.log";
  StartLog(file);
  EXPECT_EQ(rig.host.panes[kPaneLog], "Logging");
  rig.Feed("ab\r\ncd");
  rig.Feed("\x1b[1m");
  rig.Feed("\xff\xfb\x01");                      // IAC WILL ECHO: 255 and 251 are kept
  rig.Feed("one\ttwo\a\b\0\x7f\x80\xfe\rend"s);  // controls dropped, 127..254 kept
  rig.Feed("\x1b[");                             // carried over: logged once only
  rig.Feed("2J");
  rig.session->ToggleLog([]() -> std::optional<std::string> {
    ADD_FAILURE() << "no dialog when stopping";
    return std::nullopt;
  });
  EXPECT_EQ(rig.host.panes[kPaneLog], "");
  EXPECT_EQ(ReadFile(file), "ab\r\ncd[1m\xff\xfbonetwo\x7f\x80\xfe\r\nend[2J");
}

// The raw log holds the data bytes exactly, telnet commands taken out, the
// same whether the host's bytes come in one read or one byte per read.
TEST_F(SessionLog, TheRawLogHoldsTheDataBytesWithoutTelnetCommands) {
  const struct {
    const char* title;
    std::string in, logged;
  } cases[] = {
      {"controls and high bytes as they came", "ab\r\ncd\x1b[1m\tx\a\b\0\x7f\x80\xfe\rend"s,
       "ab\r\ncd\x1b[1m\tx\a\b\0\x7f\x80\xfe\rend"s},
      {"commands removed",
       "a\xff\xfb\x01"
       "b\xff\xfd\x18"
       "c\xff\xf1"
       "d\xff\xfa\x18\x01\xff\xf0"
       "e",
       "abcde"},
      {"a doubled IAC is one data byte", "x\xff\xffy\xff\xff", "x\xffy\xff"},
      {"an unfinished escape is logged once", "\x1b[2", "\x1b[2"},
  };
  int n = 0;
  for (const auto& c : cases) {
    for (const bool bytewise : {false, true}) {
      SCOPED_TRACE(std::string(c.title) + (bytewise ? ", a byte per read" : ""));
      const fs::path file = dir / ("raw" + std::to_string(n++) + ".log");
      rig.session->ToggleLog([&]() -> std::optional<LogChoice> { return LogChoice(file, true); });
      ASSERT_TRUE(rig.session->IsLoggingRaw());
      if (bytewise) {
        rig.FeedBytewise(c.in);
      } else {
        rig.Feed(c.in);
      }
      rig.session->ToggleLog([]() -> std::optional<LogChoice> { return std::nullopt; });
      EXPECT_EQ(ReadFile(file), c.logged);
      // The carried escape must not reach the next case's screen.
      rig.Feed("\x1b[m\r\n");
    }
  }
}

TEST_F(SessionLog, GoesOnAcrossConnectionsAndEmptiesAnExistingFile) {
  const fs::path file = dir / "existing.log";
  std::ofstream(file) << "old contents";
  StartLog(file);
  rig.Feed("first\r");
  rig.session->UpdateConnectedTime();  // the one-second tick hands it to the file
  EXPECT_EQ(ReadFile(file), "first\r\n");
  rig.Feed("then\r");
  rig.session->Close();  // so does the close
  EXPECT_EQ(ReadFile(file), "first\r\nthen\r\n");
  rig.session->OpenConnection("127.0.0.1", 23);
  rig.Feed("second\r");
  rig.session.reset();  // the session closes its log
  EXPECT_EQ(ReadFile(file), "first\r\nthen\r\nsecond\r\n");
}

TEST_F(SessionLog, CancelAndFailureLeaveLoggingOff) {
  rig.session->ToggleLog([] { return std::optional<std::string>(); });
  EXPECT_FALSE(rig.session->IsLogging());
  EXPECT_TRUE(rig.host.messages.empty());

  const fs::path missing = dir / "no-such-dir" / "x.log";
  StartLog(missing);
  EXPECT_FALSE(rig.session->IsLogging());
  ASSERT_EQ(rig.host.messages.size(), 1u);
  EXPECT_EQ(rig.host.messages[0].text, "Cannot open " + missing.string());
  EXPECT_EQ(rig.host.messages[0].kind, MessageKind::Stop);
  EXPECT_EQ(rig.host.panes[kPaneLog], "");
}

// A full disk: the first failed write ends the log and is told once, after
// the call that found it (never inside the receive loop). The stdio buffer
// fails either within a large read or at the tick's flush of a small one.
TEST_F(SessionLog, AFailedWriteEndsTheLogAndIsToldOnceAfterTheCall) {
  for (const std::size_t bytes : {std::size_t{10}, std::size_t{100000}}) {
    SCOPED_TRACE(bytes);
    rig.host.messages.clear();
    rig.host.openLog = [](const std::string&) { return std::fopen("/dev/full", "wb"); };
    const fs::path file = dir / "full.log";
    StartLog(file);
    ASSERT_TRUE(rig.session->IsLogging());
    rig.Feed(std::string(bytes, 'x'));
    rig.session->UpdateConnectedTime();
    EXPECT_FALSE(rig.session->IsLogging());
    EXPECT_EQ(rig.host.panes[kPaneLog], "");
    EXPECT_TRUE(rig.host.messages.empty());
    rig.Feed(std::string(bytes, 'y'));
    rig.session->UpdateConnectedTime();
    rig.host.RunPosted();
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text,
              "Cannot write " + file.string() + ": " + std::strerror(ENOSPC));
    EXPECT_EQ(rig.host.messages[0].kind, MessageKind::Stop);
  }
}
}  // namespace
