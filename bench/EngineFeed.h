#pragma once
// The two terminals under test, each fed a stream in 4096-byte reads the way a
// socket delivers it.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

inline constexpr std::size_t kReadSize = 4096;

// When the terminals draw what they received. The program draws once per
// display frame while output streams, so by default both terminals draw (or
// flush their damage) once a 60 Hz frame interval has passed, checked after
// each read, and once at the end of every stream. --draw_every_read draws
// after every read instead, as the earlier rounds measured.
class FramePacer {
 public:
  static bool& EveryRead() {
    static bool everyRead = false;
    return everyRead;
  }
  // Whether a frame is due after this read.
  bool Due() {
    if (EveryRead()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < kInterval) return false;
    last_ = now;
    return true;
  }

 private:
  static constexpr std::chrono::microseconds kInterval{16'667};
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

// Corvane's session on a headless host: scripted connection, null drawing
// context, in-memory profile. Every read goes through OnReceive; the rows it
// changed are drawn when the FramePacer says so.
class CorvaneFeed {
 public:
  // utf8: the host's text is UTF-8 ("Options"/"HostText" 1).
  CorvaneFeed(int cols, int rows, int history, bool utf8 = false);
  ~CorvaneFeed();
  void Feed(const std::string& stream);
  // A digest of the screen, so the work cannot be optimised away.
  std::uint64_t ScreenDigest() const;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

// libvterm with a screen, a damage callback flushed when the FramePacer says
// so (as a renderer would), and a scroll-back ring of `history` lines fed by its
// push-line callback. Only built when libvterm is found.
class VtermFeed {
 public:
  // libvterm always reads UTF-8; utf8 changes nothing.
  VtermFeed(int cols, int rows, int history, bool utf8 = false);
  ~VtermFeed();
  void Feed(const std::string& stream);
  std::uint64_t ScreenDigest() const;
  static bool Available();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};
