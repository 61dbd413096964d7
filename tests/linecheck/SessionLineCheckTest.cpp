// The line check as the session runs it: the busy rule, the catalogue loaded
// once, marks on the live rows, status texts and boxes handed to the
// user-interface thread, and a worker racing the receive loop and resizes.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "../support/SessionTestAccess.h"
#include "SessionFixture.h"
#include "TempDir.h"
#include "linecheck/LineCheckDatabase.h"

namespace {
// Records the message-pane texts in order.
struct PaneLog : HeadlessHost {
  void SetPaneText(Pane pane, const std::string& text) override {
    if (pane == kPaneMessage && text != "Ready") texts.push_back(text);
    HeadlessHost::SetPaneText(pane, text);
  }
  std::vector<std::string> texts;
};

class SessionLineCheck : public testing::Test {
 protected:
  void Configure(int dbSize, const std::string& catalogue, int color = 0) {
    profile.Set("Special", "DBSize", std::to_string(dbSize));
    profile.Set("Special", "CSVDir", dir.MakeDir("csv"));
    profile.Set("Special", "CDDir", dir.MakeDir("cd"));
    profile.Set("Special", "Color", std::to_string(color));
    dir.Write("csv/cd0.csv", catalogue);
    session = std::make_unique<CTelnetSession>(host, connection, profile);
    session->OpenConnection("127.0.0.1", 23);
  }
  void Show(const std::string& bytes) {
    connection.Queue(bytes);
    while (!connection.incoming.empty()) session->OnReceive(0);
  }
  // Pumps the "event loop" until the worker is done.
  void WaitForCheck() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Peek(*session).m_bLineCheckBusy && std::chrono::steady_clock::now() < deadline) {
      host.RunPosted();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    host.RunPosted();
    ASSERT_FALSE(Peek(*session).m_bLineCheckBusy) << "check did not finish";
  }
  unsigned char Attr(int row, int col) {
    return static_cast<unsigned char>(Peek(*session).m_Attrs[row][col]);
  }

  TempDir dir;
  MemoryProfile profile;
  PaneLog host;
  ScriptedConnection connection;
  std::unique_ptr<CTelnetSession> session;
};

TEST_F(SessionLineCheck, SwitchedOffWithoutCapacity) {
  for (int dbSize : {0, -5}) {
    Configure(dbSize, "README.TXT,1234\n");
    session->StartLineCheck();
    EXPECT_EQ(host.RunPosted(), 0) << "DBSize " << dbSize;
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(Peek(*session).m_pLineCheckDb, nullptr);
  }
}

TEST_F(SessionLineCheck, MarksNameAndSizeAndReportsProgress) {
  Configure(10, "README.TXT,1234\nEMPTY.DIR,0\n", 2);
  Show("\x1b[3;1Hfile readme.txt size 1234\r\nEMPTY.DIR here\r\n");
  session->CheckScreenLines();  // on the user-interface thread: boxes show at once
  host.RunPosted();

  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Database loaded (2/10)");
  ASSERT_EQ(host.texts.size(), 25u);
  EXPECT_EQ(host.texts.front(), "Loading database...");
  EXPECT_EQ(host.texts[1], "Checking line 1 of 24...");
  EXPECT_EQ(host.texts[24], "Checking line 24 of 24...");
  EXPECT_EQ(host.panes[kPaneMessage], "Ready");

  const unsigned char mark = (2 << 2) | 1;
  for (int col = 5; col < 15; ++col) EXPECT_EQ(Attr(2, col), mark) << col;
  for (int col = 21; col < 25; ++col) EXPECT_EQ(Attr(2, col), mark) << col;
  EXPECT_EQ(Attr(2, 4), kDefaultAttr);
  EXPECT_EQ(Attr(2, 16), kDefaultAttr);
  for (int col = 0; col < 9; ++col)
    EXPECT_EQ(Attr(3, col), kDefaultAttr) << "number 0 is never marked";
}

TEST_F(SessionLineCheck, SecondCheckReusesTheCatalogueAndUnloadReports) {
  Configure(10, "A.TXT,1\n");
  session->CheckScreenLines();
  session->CheckScreenLines();
  host.RunPosted();
  EXPECT_EQ(host.messages.size(), 1u) << "loaded once";

  Peek(*session).m_bLineCheckBusy = true;  // as while a check runs
  session->UnloadLineCheckDb();
  EXPECT_NE(Peek(*session).m_pLineCheckDb, nullptr) << "never unloaded under a running check";
  Peek(*session).m_bLineCheckBusy = false;

  session->UnloadLineCheckDb();
  EXPECT_EQ(Peek(*session).m_pLineCheckDb, nullptr);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[1].text, "Database unloaded");
  session->UnloadLineCheckDb();  // nothing loaded: no message
  EXPECT_EQ(host.messages.size(), 2u);
}

TEST_F(SessionLineCheck, WorkerWaitsForTheBoxAndRacesTheReceiveLoop) {
  std::string catalogue;
  for (int i = 0; i < 300; ++i)
    catalogue += "NAME" + std::to_string(i) + ".TXT," + std::to_string(i + 1) + "\n";
  Configure(1000, catalogue);
  for (int i = 0; i < 24; ++i)
    Show("name" + std::to_string(i * 7) + ".txt " + std::to_string(i * 7 + 1) + "\r\n");

  session->StartLineCheck();
  session->StartLineCheck();  // refused while the first one runs
  // While the worker runs, the host keeps writing and the screen changes size.
  for (int round = 0; round < 200 && Peek(*session).m_bLineCheckBusy; ++round) {
    Show("more text name5.txt 6\r\n\x1b[2J\x1b[H");
    if (round % 50 == 10) session->Resize(40 + round % 30, 10 + round % 20);
    host.RunPosted();
  }
  WaitForCheck();
  EXPECT_EQ(host.messages.size(), 1u);
  // Invariants held throughout: the screen is whole.
  ASSERT_EQ(static_cast<int>(Peek(*session).m_Attrs.size()), session->Screen().Height());
  for (const std::string& attrs : Peek(*session).m_Attrs)
    EXPECT_EQ(static_cast<int>(attrs.size()), session->Screen().Width());
}

TEST_F(SessionLineCheck, SessionGoesAwayWhileTheWorkerWaitsForItsBox) {
  Configure(10, "A.TXT,1\n");
  session->StartLineCheck();
  // Nobody runs the posted box; destroying the session must not hang.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const auto start = std::chrono::steady_clock::now();
  session.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // The box the worker posted finds the session gone and shows nothing; nor
  // does a loaded catalogue say "Database unloaded" as its session goes.
  host.RunPosted();
  EXPECT_TRUE(host.messages.empty());
  Configure(10, "A.TXT,1\n");
  session->CheckScreenLines();
  ASSERT_EQ(host.messages.size(), 1u);
  session.reset();
  EXPECT_EQ(host.messages.size(), 1u);
}
}  // namespace
