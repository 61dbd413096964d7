// The wait cursor around a connect, seen from inside the socket layer, and a
// title another part of the window changed. The rest of opening and closing connections is in
// tests/data/streams/lifecycle.case.
#include <gtest/gtest.h>

#include <stdexcept>

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
  MemoryProfile profile;
  HeadlessHost host;
  WatchedConnection connection{host};
  CTelnetSession session{host, connection, profile};
};

TEST_F(Lifecycle, TheWaitCursorIsUpOnlyWhileConnecting) {
  ASSERT_TRUE(session.OpenConnection("127.0.0.1", 23));
  EXPECT_EQ(connection.waitCursorDuringConnect, 1);
  EXPECT_EQ(host.waitCursorDepth, 0);
}

TEST_F(Lifecycle, ASocketThatCannotBeCreatedNeverShowsTheWaitCursor) {
  connection.failCreate = true;
  EXPECT_FALSE(session.OpenConnection("127.0.0.1", 23));
  EXPECT_EQ(connection.waitCursorDuringConnect, -1);
}

TEST_F(Lifecycle, TheWaitCursorIsRemovedWhenTheSocketLayerThrows) {
  connection.throwOnConnect = true;
  EXPECT_THROW(session.OpenConnection("127.0.0.1", 23), std::runtime_error);
  EXPECT_EQ(host.waitCursorDepth, 0);
}
TEST_F(Lifecycle, CloseWhileDisconnectedPutsTheTitleBack) {
  host.title = "stale";
  session.Close();
  EXPECT_EQ(host.title, "Corvane");
  EXPECT_TRUE(host.messages.empty());
}
}  // namespace
