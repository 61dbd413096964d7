#pragma once
// The two terminals under test, each fed a stream in 4096-byte reads the way a
// socket delivers it.
#include <cstdint>
#include <memory>
#include <string>

inline constexpr std::size_t kReadSize = 4096;

// Corvane's session on a headless host: scripted connection, null drawing
// context, in-memory profile. Every read goes through OnReceive, which also
// draws the rows it changed.
class CorvaneFeed {
 public:
  CorvaneFeed(int cols, int rows, int history);
  ~CorvaneFeed();
  void Feed(const std::string& stream);
  // A digest of the screen, so the work cannot be optimised away.
  std::uint64_t ScreenDigest() const;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

// libvterm with a screen, a damage callback flushed once per read (as a
// renderer would), and a scroll-back ring of `history` lines fed by its
// push-line callback. Only built when libvterm is found.
class VtermFeed {
 public:
  VtermFeed(int cols, int rows, int history);
  ~VtermFeed();
  void Feed(const std::string& stream);
  std::uint64_t ScreenDigest() const;
  static bool Available();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};
