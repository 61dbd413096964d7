// screendump: replays raw host bytes from standard input through the terminal
// engine, as a socket would deliver them, and prints the resulting screen.
//
//   screendump [--size WxH] [--block N] [--attrs] [--sent] [--emulation vt100|ansi]
//              [--host-text 8bit|utf8] [--script western|oem] < bytes
//   screendump --help
//
// Output: one line per screen row (right-trimmed), then "cursor ROW COL"
// (0-based); --attrs adds one line of hex attribute bytes per row, --sent a
// last line "sent " with the bytes the session answered, in hex. Under
// --host-text utf8 the cells are Windows-1252 bytes, or CP437 with --script oem.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

#include "PieceReader.h"
#include "platform/Connection.h"
#include "platform/headless/HeadlessHost.h"
#include "settings/MemoryProfile.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"

namespace {
constexpr int kMaxBlock = 65536;

struct Options {
  int width = 80, height = 24;
  int block = kRecvBufSize;
  bool attrs = false, sent = false;
  int emulation = 0;
  bool utf8 = false;
  bool oem = false;
};

// Asked-for help goes to standard output with status 0; a bad command line
// gets its reason and the usage on standard error with status 2.
[[noreturn]] void Usage(const char* error) {
  std::FILE* out = error ? stderr : stdout;
  if (error) std::fprintf(stderr, "screendump: %s\n", error);
  std::fprintf(out,
               "usage: screendump [--size WxH] [--block N] [--attrs] [--sent] "
               "[--emulation vt100|ansi]\n"
               "                  [--host-text 8bit|utf8] [--script western|oem] < host-bytes\n"
               "       screendump --help\n");
  std::exit(error ? 2 : 0);
}

// A whole decimal number in [low, high]: no sign, blank or trailing text, and
// no wrap-around on overflow.
bool ParseBounded(std::string_view text, int low, int high, int& out) {
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return false;
  if (value < static_cast<unsigned>(low) || value > static_cast<unsigned>(high)) return false;
  out = static_cast<int>(value);
  return true;
}

bool ParseSize(std::string_view text, int& width, int& height) {
  const auto x = text.find('x');
  return x != std::string_view::npos && ParseBounded(text.substr(0, x), 1, 255, width) &&
         ParseBounded(text.substr(x + 1), 1, 255, height);
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage(("missing value for " + arg).c_str());
      return argv[++i];
    };
    if (arg == "--size") {
      if (!ParseSize(value(), o.width, o.height)) Usage("--size needs WxH, each 1..255");
    } else if (arg == "--block") {
      if (!ParseBounded(value(), 1, kMaxBlock, o.block)) Usage("--block needs a number 1..65536");
    } else if (arg == "--attrs") {
      o.attrs = true;
    } else if (arg == "--sent") {
      o.sent = true;
    } else if (arg == "--emulation") {
      const std::string e = value();
      if (e != "vt100" && e != "ansi") Usage("--emulation is vt100 or ansi");
      o.emulation = e == "ansi" ? 1 : 0;
    } else if (arg == "--host-text") {
      const std::string t = value();
      if (t != "8bit" && t != "utf8") Usage("--host-text is 8bit or utf8");
      o.utf8 = t == "utf8";
    } else if (arg == "--script") {
      const std::string s = value();
      if (s != "western" && s != "oem") Usage("--script is western or oem");
      o.oem = s == "oem";
    } else if (arg == "--help" || arg == "-h") {
      Usage(nullptr);
    } else {
      Usage(("unknown option " + arg).c_str());
    }
  }
  return o;
}

// Standard input served to the session as a socket would deliver it: every
// read ends at a --block boundary, so each block but the last arrives as
// exactly --block bytes (or in pieces, behind an unfinished sequence). A
// thread of its own reads the input ahead into a small ring, so memory stays
// flat whatever the input's size and the kernel's copy overlaps the engine.
class StdinConnection : public Connection {
 public:
  // `spool`, when given, receives every byte the session sends as it sends it;
  // without it the answers are dropped, so memory stays flat however many the
  // host asks for.
  StdinConnection(int block, std::FILE* spool)
      : block_(static_cast<std::size_t>(block)),
        spool_(spool),
        reader_(STDIN_FILENO, kPieceBytes, kPieces) {}

  bool Create() override {
    open_ = true;
    return true;
  }
  bool Connect(const std::string&, unsigned) override { return true; }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }

  bool Send(const unsigned char* data, std::size_t len) override {
    if (!IsOpen()) return false;  // nothing goes out before the connection is up
    if (spool_ != nullptr && std::fwrite(data, 1, len, spool_) != len) spoolFailed_ = true;
    return true;
  }
  bool SpoolFailed() const { return spoolFailed_; }

  int Receive(unsigned char* buf, int len) override {
    if (len <= 0) return 0;
    const std::size_t want = std::min(static_cast<std::size_t>(len), block_ - delivered_ % block_);
    std::size_t n = 0;
    while (n < want && !AtEnd()) {  // a read may span two pieces
      const std::size_t take = std::min(want - n, piece_.size() - at_);
      std::memcpy(buf + n, piece_.data() + at_, take);
      at_ += take;
      n += take;
    }
    delivered_ += n;
    return static_cast<int>(n);
  }

  bool AtEnd() {
    if (at_ == piece_.size() && !ended_) {
      piece_ = reader_.Next();
      at_ = 0;
      ended_ = piece_.empty();
    }
    return ended_;
  }

 private:
  // Eight pieces of 128 KB: small enough to stay in the caches between the
  // reader writing them and the engine reading them.
  static constexpr std::size_t kPieceBytes = 128 << 10, kPieces = 8;
  const std::size_t block_;
  std::FILE* const spool_;
  bool open_ = false;
  bool spoolFailed_ = false;
  PieceReader reader_;
  std::span<const unsigned char> piece_;
  std::size_t at_ = 0;         // into piece_
  std::size_t delivered_ = 0;  // bytes handed to the session so far
  bool ended_ = false;
};

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

// Copies the spooled answers to out in hex, a piece at a time.
bool WriteSpoolHex(std::FILE* spool, std::ostream& out) {
  if (std::fflush(spool) != 0 || std::fseek(spool, 0, SEEK_SET) != 0) return false;
  char piece[64 << 10];
  std::size_t n = 0;
  while ((n = std::fread(piece, 1, sizeof piece, spool)) > 0) out << Hex({piece, n});
  return std::ferror(spool) == 0;
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "screendump: %s: %s\n", what, std::strerror(errno));
  std::_Exit(1);
}
}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  MemoryProfile profile;
  keys::Width.Write(profile, options.width);
  keys::Height.Write(profile, options.height);
  keys::Emulation.Write(profile, options.emulation);
  keys::HostText.Write(profile, options.utf8 ? 1 : 0);
  // The cells' code page is the font's: "Terminal" is the OEM (CP437) face,
  // any other face of the Western script (character set 0) Windows-1252.
  if (options.utf8 && !options.oem) {
    keys::FontName.Write(profile, "Courier New");
    keys::FontCharSet.Write(profile, 0);
  }
  HeadlessHost host;
  host.drawsLater = true;  // only the final screen is printed: nothing is ever drawn
  std::FILE* spool = nullptr;
  if (options.sent && (spool = std::tmpfile()) == nullptr) Fail("cannot keep the answers");
  StdinConnection connection(options.block, spool);
  CTelnetSession session(host, connection, profile);
  session.OpenConnection("127.0.0.1", 23);
  while (!connection.AtEnd()) session.OnReceive(0);

  const TerminalScreen& screen = session.Screen();
  for (int r = 0; r < screen.Height(); ++r) {
    std::string row = screen.Row(r).text;
    row.erase(row.find_last_not_of(' ') + 1);
    std::cout << row << '\n';
  }
  std::cout << "cursor " << screen.CursorRow() << ' ' << screen.CursorCol() << '\n';
  if (options.attrs)
    for (int r = 0; r < screen.Height(); ++r) std::cout << Hex(screen.Row(r).attrs) << '\n';
  if (options.sent) {
    std::cout << "sent ";
    if (connection.SpoolFailed() || !WriteSpoolHex(spool, std::cout))
      Fail("cannot keep the answers");
    std::cout << '\n';
  }

  // A screen that could not be written (a full disk, say) is a failure, not a
  // result. The session, its history and the read-ahead ring are left to the
  // system at exit: taking them apart one by one only costs time.
  if (!std::cout.flush()) Fail("cannot write the screen");
  std::_Exit(0);
}
