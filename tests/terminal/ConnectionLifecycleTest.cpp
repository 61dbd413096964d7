// Opening and closing connections, the host's close, the title, the timer and
// the connected-time pane.
#include <gtest/gtest.h>

#include <stdexcept>

#include "../support/SessionTestAccess.h"
#include "SessionFixture.h"

namespace {
// A connection that notes whether the wait cursor was up while it connected,
// and can throw from the connect as a socket layer might.
class WatchedConnection : public ScriptedConnection {
 public:
  explicit WatchedConnection(HeadlessHost& host) : host_(host) {}
  bool Connect(const std::string& host, unsigned port) override {
    waitCursorDuringConnect = host_.waitCursorDepth;
    if (throwOnConnect) throw std::runtime_error("socket layer");
    return ScriptedConnection::Connect(host, port);
  }
  int waitCursorDuringConnect = -1;
  bool throwOnConnect = false;

 private:
  HeadlessHost& host_;
};

class Lifecycle : public testing::Test {
 protected:
  Lifecycle() {
    session = std::make_unique<CTelnetSession>(host, connection, profile);
    session->Close();  // the frame's start-up call
  }
  bool Open(const std::string& name = "127.0.0.1", unsigned port = 23) {
    return session->OpenConnection(name, port);
  }
  void ExpectDisconnected() {
    EXPECT_FALSE(session->IsConnected());
    EXPECT_EQ(host.title, "Corvane");
    EXPECT_FALSE(host.timerRunning);
    EXPECT_EQ(host.panes[kPaneTime], "00:00:00");
    EXPECT_TRUE(Peek(*session).m_bNawsActive);
  }
  MemoryProfile profile;
  HeadlessHost host;
  WatchedConnection connection{host};
  std::unique_ptr<CTelnetSession> session;
};

TEST_F(Lifecycle, StartsDisconnectedAndCloseIsHarmlessThen) {
  ExpectDisconnected();
  host.title = "stale";
  session->Close();
  ExpectDisconnected();
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Lifecycle, ASuccessfulConnectResetsThePerConnectionState) {
  host.now = 1000;
  Peek(*session).m_nAttr = 0x85;
  Peek(*session).m_bLineDrawing = true;
  Peek(*session).m_nScrollTop = 3;
  Peek(*session).m_nScrollBottom = 5;
  Peek(*session).m_nCursorRow = 7;
  ASSERT_TRUE(Open());
  EXPECT_TRUE(session->IsConnected());
  EXPECT_EQ(Peek(*session).m_nAttr, kDefaultAttr);
  EXPECT_FALSE(Peek(*session).m_bLineDrawing);
  EXPECT_FALSE(Peek(*session).m_bNawsOffered);
  EXPECT_FALSE(Peek(*session).m_bNawsActive);
  EXPECT_EQ(Peek(*session).m_nScrollTop, 1);
  EXPECT_EQ(Peek(*session).m_nScrollBottom, 24);
  EXPECT_EQ(Peek(*session).m_nCursorRow, 7) << "the cursor is not reset";
  EXPECT_TRUE(host.timerRunning);
  EXPECT_EQ(Peek(*session).m_timeConnected, 1000);
  EXPECT_EQ(connection.waitCursorDuringConnect, 1);
  EXPECT_EQ(host.waitCursorDepth, 0);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Lifecycle, AFailedConnectTellsTheUserAndEndsDisconnected) {
  connection.failConnect = true;
  EXPECT_FALSE(Open("nohost", 23));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Connection to nohost:23 failed");
  EXPECT_EQ(host.messages[0].kind, MessageKind::Stop);
  EXPECT_EQ(host.waitCursorDepth, 0);
  ExpectDisconnected();
}

TEST_F(Lifecycle, APortBeyondTheTcpRangeFailsWithItsOwnNumberInTheMessage) {
  EXPECT_FALSE(Open("127.0.0.1", 70000));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Connection to 127.0.0.1:70000 failed");
}

TEST_F(Lifecycle, ASocketThatCannotBeCreatedIsReportedWithoutAWaitCursor) {
  connection.failCreate = true;
  EXPECT_FALSE(Open());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Windows socket creation failed");
  EXPECT_EQ(host.messages[0].kind, MessageKind::Stop);
  EXPECT_EQ(connection.waitCursorDuringConnect, -1);
  ExpectDisconnected();
}

TEST_F(Lifecycle, TheWaitCursorIsRemovedWhenTheSocketLayerThrows) {
  connection.throwOnConnect = true;
  EXPECT_THROW(Open(), std::runtime_error);
  EXPECT_EQ(host.waitCursorDepth, 0);
}

TEST_F(Lifecycle, OpeningWhileConnectedClosesTheOldConnectionFirst) {
  ASSERT_TRUE(Open());
  host.title = "old host - Corvane";
  host.panes[kPaneTime] = "00:05:00";
  connection.failConnect = true;
  EXPECT_FALSE(Open("nohost", 23));
  ExpectDisconnected();
  EXPECT_EQ(host.messages.back().text, "Connection to nohost:23 failed");
}

TEST_F(Lifecycle, TheHostClosingNotifiesAndKeepsScreenAndHistory) {
  ASSERT_TRUE(Open());
  host.title = "host - Corvane";
  connection.Queue("line\r\nshown");
  session->OnReceive(0);
  session->OnClose(0);
  ExpectDisconnected();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Connection closed");
  EXPECT_EQ(host.messages[0].kind, MessageKind::Information);
  EXPECT_FALSE(host.quitRequested);
  EXPECT_EQ(Peek(*session).m_Text[1].substr(0, 5), "shown");
  EXPECT_EQ(Peek(*session).m_History[0], "line");
}

TEST_F(Lifecycle, HostCloseOptionsDecideMessageAndQuit) {
  const struct {
    bool notify, autoClose;
    std::size_t messages;
  } cases[] = {{true, false, 1}, {true, true, 1}, {false, true, 0}, {false, false, 0}};
  for (const auto& c : cases) {
    host.messages.clear();
    host.quitRequested = false;
    Peek(*session).m_bDisconnectNotify = c.notify;
    Peek(*session).m_bAutoClose = c.autoClose;
    ASSERT_TRUE(Open());
    session->OnClose(10054);  // a reset is handled like an orderly close
    EXPECT_EQ(host.messages.size(), c.messages) << c.notify << c.autoClose;
    EXPECT_EQ(host.quitRequested, c.autoClose) << c.notify << c.autoClose;
    ExpectDisconnected();
  }
}

TEST_F(Lifecycle, TheUsersCloseNeverAsksNorQuits) {
  Peek(*session).m_bAutoClose = true;
  ASSERT_TRUE(Open());
  session->Close();
  ExpectDisconnected();
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(host.quitRequested);
}

TEST_F(Lifecycle, TheConnectedTimeIsShownAsATimeOfDay) {
  host.now = 50000;
  ASSERT_TRUE(Open());
  const struct {
    long long elapsed;
    const char* text;
  } cases[] = {{0, "00:00:00"},
               {1, "00:00:01"},
               {3723, "01:02:03"},
               {86399, "23:59:59"},
               {86400, "00:00:00"},
               {25 * 3600, "01:00:00"},
               {100 * 86400 + 59, "00:00:59"},
               {-30, "00:00:00"}};  // clock set back
  for (const auto& c : cases) {
    host.now = 50000 + c.elapsed;
    session->UpdateConnectedTime();
    EXPECT_EQ(host.panes[kPaneTime], c.text) << c.elapsed;
  }
}

// Keepalive every 30 s against the test's clock: a NOP after 30 s without
// anything sent, counted from the connect, the last NOP or the user's last
// bytes; none while disconnected.
TEST_F(Lifecycle, AKeepaliveNopGoesOutOnlyAfterTheIdlePeriod) {
  session->SetKeepAlive(30);
  EXPECT_EQ(profile.Value("Options", "KeepAlive"), "30");
  host.now = 1000;
  ASSERT_TRUE(Open());
  connection.sent.clear();
  enum Act { Tick, Type, CloseThenTick };
  const struct {
    long long at;
    Act act;
    const char* sent;
    const char* why;
  } steps[] = {
      {29, Tick, "", "not yet"},
      {30, Tick, "\xff\xf1", "idle for the period"},
      {31, Tick, "", "counted from the NOP"},
      {45, Type, "x", "the user types"},
      {74, Tick, "", "counted from the typed byte"},
      {75, Tick, "\xff\xf1", "idle again"},
      {900, Tick, "\xff\xf1", "a late tick sends one, not one per missed period"},
      {100, Tick, "", "clock set back: counted from there"},
      {130, Tick, "\xff\xf1", "a period after the clock was set back"},
      {500, CloseThenTick, "", "none while disconnected"},
  };
  for (const auto& step : steps) {
    host.now = 1000 + step.at;
    if (step.act == Type) session->SendData("x");
    if (step.act == CloseThenTick) session->Close();
    if (step.act != Type) session->UpdateConnectedTime();
    EXPECT_EQ(connection.sent, step.sent) << step.at << ": " << step.why;
    connection.sent.clear();
  }
}

TEST_F(Lifecycle, KeepaliveIsOffByDefaultAndAStoredPeriodIsKeptInRange) {
  const struct {
    const char* stored;  // nullptr: no key
    int seconds;
  } cases[] = {{nullptr, 0}, {"0", 0}, {"3600", 3600}, {"-5", 0}, {"7200", 3600}, {"junk", 0}};
  for (const auto& c : cases) {
    MemoryProfile stored;
    if (c.stored) stored.Set("Options", "KeepAlive", c.stored);
    ScriptedConnection line;
    CTelnetSession s(host, line, stored);
    EXPECT_EQ(s.KeepAlive(), c.seconds) << (c.stored ? c.stored : "none");
    host.now = 1000;
    ASSERT_TRUE(s.OpenConnection("127.0.0.1", 23));
    host.now = 1000 + 100000;
    s.UpdateConnectedTime();
    EXPECT_EQ(line.sent, c.seconds == 0 ? "" : "\xff\xf1") << (c.stored ? c.stored : "none");
  }
}
}  // namespace
