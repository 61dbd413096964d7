#include "EngineFeed.h"
#include "platform/headless/HeadlessHost.h"
#include "platform/headless/ScriptedConnection.h"
#include "settings/MemoryProfile.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"

struct CorvaneFeed::Parts {
  MemoryProfile profile;
  HeadlessHost host;  // draws into its NullDrawContext
  ScriptedConnection connection;
  std::unique_ptr<CTelnetSession> session;
};

CorvaneFeed::CorvaneFeed(int cols, int rows, int history) : parts_(std::make_unique<Parts>()) {
  keys::Width.Write(parts_->profile, cols);
  keys::Height.Write(parts_->profile, rows);
  keys::BufferSize.Write(parts_->profile, history);
  parts_->session =
      std::make_unique<CTelnetSession>(parts_->host, parts_->connection, parts_->profile);
  parts_->session->OpenConnection("127.0.0.1", 23);
}

CorvaneFeed::~CorvaneFeed() = default;

void CorvaneFeed::Feed(const std::string& stream) {
  ScriptedConnection& connection = parts_->connection;
  CTelnetSession& session = *parts_->session;
  for (std::size_t at = 0; at < stream.size(); at += kReadSize) {
    connection.incoming.emplace_back(stream, at, kReadSize);
    while (!connection.incoming.empty()) session.OnReceive(0);
  }
}

std::uint64_t CorvaneFeed::ScreenDigest() const {
  std::uint64_t sum = 0;
  for (const std::string& row : parts_->session->Screen().m_Text)
    for (unsigned char c : row) sum = sum * 31 + c;
  return sum;
}
