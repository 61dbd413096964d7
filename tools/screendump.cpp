// screendump: replays raw host bytes from standard input through the terminal
// engine, as a socket would deliver them, and prints the resulting screen.
//
//   screendump [--size WxH] [--block N] [--attrs] [--sent] [--emulation vt100|ansi] < bytes
//   screendump --help
//
// Output: one line per screen row (right-trimmed), then "cursor ROW COL"
// (0-based); --attrs adds one line of hex attribute bytes per row, --sent a
// last line "sent " with the bytes the session answered, in hex.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "platform/headless/HeadlessHost.h"
#include "platform/headless/ScriptedConnection.h"
#include "settings/MemoryProfile.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"

namespace {
struct Options {
  int width = 80, height = 24;
  int block = kRecvBufSize;
  bool attrs = false, sent = false;
  int emulation = 0;
};

// Asked-for help goes to standard output with status 0; a bad command line
// gets its reason and the usage on standard error with status 2.
[[noreturn]] void Usage(const char* error) {
  std::FILE* out = error ? stderr : stdout;
  if (error) std::fprintf(stderr, "screendump: %s\n", error);
  std::fprintf(out,
               "usage: screendump [--size WxH] [--block N] [--attrs] [--sent] "
               "[--emulation vt100|ansi] < host-bytes\n"
               "       screendump --help\n");
  std::exit(error ? 2 : 0);
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
      if (std::sscanf(value().c_str(), "%dx%d", &o.width, &o.height) != 2)
        Usage("--size needs WxH");
    } else if (arg == "--block") {
      o.block = std::atoi(value().c_str());
      if (o.block < 1) Usage("--block needs a positive number");
    } else if (arg == "--attrs") {
      o.attrs = true;
    } else if (arg == "--sent") {
      o.sent = true;
    } else if (arg == "--emulation") {
      const std::string e = value();
      if (e != "vt100" && e != "ansi") Usage("--emulation is vt100 or ansi");
      o.emulation = e == "ansi" ? 1 : 0;
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
// exactly --block bytes (or in pieces, behind an unfinished sequence). It is
// taken from the file in large pieces, a whole number of blocks each, so
// memory stays flat whatever the input's size: a regular file is mapped a
// piece at a time (no copy through the kernel), anything else is read.
class StdinConnection : public ScriptedConnection {
 public:
  explicit StdinConnection(int block)
      : block_(static_cast<std::size_t>(block)),
        piece_(block_ * std::max<std::size_t>(1, kPieceBytes / block_)) {
    struct stat st {};
    if (fstat(STDIN_FILENO, &st) == 0 && S_ISREG(st.st_mode)) {
      fileSize_ = static_cast<std::size_t>(st.st_size);
      mapped_ = true;
    }
  }
  ~StdinConnection() override { Unmap(); }
  StdinConnection(const StdinConnection&) = delete;
  StdinConnection& operator=(const StdinConnection&) = delete;

  int Receive(unsigned char* buf, int len) override {
    if (AtEnd() || len <= 0) return 0;
    const std::size_t toBlockEnd = block_ - at_ % block_;
    const std::size_t n = std::min({static_cast<std::size_t>(len), toBlockEnd, size_ - at_});
    std::memcpy(buf, data_ + at_, n);
    at_ += n;
    // The next read's bytes are fetched from memory while these are walked.
    for (std::size_t ahead = 0; ahead < n && at_ + ahead < size_; ahead += 64)
      __builtin_prefetch(data_ + at_ + ahead);
    return static_cast<int>(n);
  }

  bool AtEnd() {
    if (at_ == size_ && !eof_) NextPiece();
    return at_ == size_;
  }

 private:
  void NextPiece() {
    at_ = 0;
    if (mapped_) {
      Unmap();
      // Pieces start at multiples of the block size; mmap wants page multiples.
      const std::size_t length = std::min(piece_, fileSize_ - offset_);
      const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
      const std::size_t aligned = offset_ / page * page;
      void* map = length == 0
                      ? MAP_FAILED
                      : mmap(nullptr, length + (offset_ - aligned), PROT_READ,
                             MAP_PRIVATE | MAP_POPULATE, STDIN_FILENO, static_cast<off_t>(aligned));
      if (map != MAP_FAILED) {
        map_ = map;
        mapLength_ = length + (offset_ - aligned);
        data_ = static_cast<const unsigned char*>(map) + (offset_ - aligned);
        size_ = length;
        offset_ += length;
        eof_ = offset_ >= fileSize_;
        return;
      }
      // A file that cannot be mapped (or has shrunk) is read from here on.
      mapped_ = false;
      if (length == 0) {
        size_ = 0;
        eof_ = true;
        return;
      }
      if (lseek(STDIN_FILENO, static_cast<off_t>(offset_), SEEK_SET) < 0) {
        size_ = 0;
        eof_ = true;
        return;
      }
    }
    buffer_.resize(piece_);
    const std::size_t got = std::fread(buffer_.data(), 1, piece_, stdin);
    data_ = reinterpret_cast<const unsigned char*>(buffer_.data());
    size_ = got;
    eof_ = got < piece_;
  }

  void Unmap() {
    if (map_ != nullptr) munmap(map_, mapLength_);
    map_ = nullptr;
  }

  static constexpr std::size_t kPieceBytes = 1 << 20;
  std::size_t block_, piece_;
  const unsigned char* data_ = nullptr;
  std::size_t size_ = 0, at_ = 0;
  bool eof_ = false;
  // A regular file on standard input, mapped a piece at a time.
  bool mapped_ = false;
  std::size_t fileSize_ = 0, offset_ = 0;
  void* map_ = nullptr;
  std::size_t mapLength_ = 0;
  std::string buffer_;  // otherwise, what was read
};

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}
}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  MemoryProfile profile;
  keys::Width.Write(profile, options.width);
  keys::Height.Write(profile, options.height);
  keys::Emulation.Write(profile, options.emulation);
  HeadlessHost host;
  host.drawsLater = true;  // only the final screen is printed: nothing is ever drawn
  StdinConnection connection(options.block);
  CTelnetSession session(host, connection, profile);
  session.OpenConnection("127.0.0.1", 23);
  while (!connection.AtEnd()) session.OnReceive(0);

  const TerminalScreen& screen = session.Screen();
  for (int r = 0; r < screen.m_nHeight; ++r) {
    std::string row = screen.m_Text[r];
    row.erase(row.find_last_not_of(' ') + 1);
    std::cout << row << '\n';
  }
  std::cout << "cursor " << screen.m_nCursorRow << ' ' << screen.m_nCursorCol << '\n';
  if (options.attrs)
    for (int r = 0; r < screen.m_nHeight; ++r) std::cout << Hex(screen.m_Attrs[r]) << '\n';
  if (options.sent) std::cout << "sent " << Hex(connection.sent) << '\n';
  return 0;
}
