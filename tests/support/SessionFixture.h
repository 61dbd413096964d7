#pragma once
// A session wired to a headless host, a scripted connection and an in-memory
// profile: feed it host bytes and look at the screen and at what it sent.
#include <memory>
#include <string>

#include "ScriptedConnection.h"
#include "SessionTestAccess.h"
#include "platform/headless/HeadlessHost.h"
#include "settings/MemoryProfile.h"
#include "terminal/TelnetSession.h"

struct SessionRig {
  MemoryProfile profile;
  HeadlessHost host;
  ScriptedConnection connection;
  std::unique_ptr<CTelnetSession> session;

  // Builds the session from the profile as it stands; connects unless told not to.
  CTelnetSession& Start(bool connect = true) {
    session = std::make_unique<CTelnetSession>(host, connection, profile);
    if (connect) session->OpenConnection("127.0.0.1", 23);
    return *session;
  }
  // Delivers bytes as one read (the session may take them in several when
  // bytes are carried over).
  void Feed(const std::string& bytes) {
    connection.Queue(bytes);
    while (!connection.incoming.empty()) session->OnReceive(0);
  }
  void FeedBytewise(const std::string& bytes) {
    for (char c : bytes) Feed(std::string(1, c));
  }
  std::string Row(int r) const {
    std::string row = Peek(*session).m_Text[r];
    row.erase(row.find_last_not_of(' ') + 1);
    return row;
  }
  std::string TakeSent() {
    std::string s = connection.sent;
    connection.sent.clear();
    return s;
  }
};
