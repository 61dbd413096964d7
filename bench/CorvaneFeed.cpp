#include <algorithm>
#include <cstring>

#include "EngineFeed.h"
#include "platform/Connection.h"
#include "platform/headless/HeadlessHost.h"
#include "settings/MemoryProfile.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"

namespace {
// Hands out the stream a read at a time, copying each byte once into the
// session's buffer, as recv() does; no queue of blocks in between.
class StreamConnection : public Connection {
 public:
  void Arrive(const char* data, std::size_t len) {
    data_ = data;
    left_ = len;
  }
  std::size_t Left() const { return left_; }

  bool Create() override { return true; }
  bool Connect(const std::string&, unsigned) override { return true; }
  int Receive(unsigned char* buf, int len) override {
    const std::size_t n = std::min(left_, static_cast<std::size_t>(std::max(len, 0)));
    std::memcpy(buf, data_, n);
    data_ += n;
    left_ -= n;
    return static_cast<int>(n);
  }
  bool Send(const unsigned char*, std::size_t) override { return true; }
  void Close() override {}
  bool IsOpen() const override { return true; }

 private:
  const char* data_ = nullptr;
  std::size_t left_ = 0;
};
}  // namespace

struct CorvaneFeed::Parts {
  MemoryProfile profile;
  HeadlessHost host;  // draws into its NullDrawContext, a frame at a time
  StreamConnection connection;
  FramePacer pacer;
  std::unique_ptr<CTelnetSession> session;
};

CorvaneFeed::CorvaneFeed(int cols, int rows, int history, bool utf8)
    : parts_(std::make_unique<Parts>()) {
  keys::Width.Write(parts_->profile, cols);
  keys::HostText.Write(parts_->profile, utf8 ? 1 : 0);
  keys::Height.Write(parts_->profile, rows);
  keys::BufferSize.Write(parts_->profile, history);
  parts_->session =
      std::make_unique<CTelnetSession>(parts_->host, parts_->connection, parts_->profile);
  parts_->session->OpenConnection("127.0.0.1", 23);
  parts_->host.drawsLater = true;  // the frames are the pacer's
}

CorvaneFeed::~CorvaneFeed() = default;

void CorvaneFeed::Feed(const std::string& stream) {
  StreamConnection& connection = parts_->connection;
  CTelnetSession& session = *parts_->session;
  for (std::size_t at = 0; at < stream.size(); at += kReadSize) {
    connection.Arrive(stream.data() + at, std::min(kReadSize, stream.size() - at));
    while (connection.Left() > 0) session.OnReceive(0);
    if (parts_->pacer.Due()) session.DrawNow(true);
  }
  session.DrawNow(true);
}

std::uint64_t CorvaneFeed::ScreenDigest() const {
  std::uint64_t sum = 0;
  const TerminalScreen& screen = parts_->session->Screen();
  for (int r = 0; r < screen.Height(); ++r)
    for (unsigned char c : screen.Row(r).text) sum = sum * 31 + c;
  return sum;
}
