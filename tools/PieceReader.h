// Reads a file descriptor to its end on a thread of its own, into a ring of
// reusable pieces, so the kernel's copy of the input overlaps the caller's
// work on it. Memory is the ring alone, whatever the input's size.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <new>
#include <span>
#include <thread>
#include <vector>

class PieceReader {
 public:
  // Every piece but the last holds exactly pieceBytes.
  PieceReader(int fd, std::size_t pieceBytes, std::size_t pieces);
  ~PieceReader();
  PieceReader(const PieceReader&) = delete;
  PieceReader& operator=(const PieceReader&) = delete;

  // Hands back the previous piece and returns the next one; an empty span at
  // the end of the input (a read error ends it too).
  std::span<const unsigned char> Next();

 private:
  void Fill(const std::stop_token& stop);
  unsigned char* Slot(std::size_t piece) const {
    return buffer_.get() + piece % pieceCount_ * pieceBytes_;
  }

  const int fd_;
  const std::size_t pieceBytes_, pieceCount_;
  // A reader that waits for room is woken once this many pieces are free,
  // so it refills several per wake-up rather than one.
  const std::size_t refill_;
  // Page-aligned: the kernel copies into a destination that is not aligned
  // like the page cache's pages several times slower. Left uninitialised, so
  // its pages are first touched by read(), on the reader.
  static constexpr std::align_val_t kPageAlign{4096};
  struct AlignedDelete {
    void operator()(unsigned char* p) const { ::operator delete[](p, kPageAlign); }
  };
  static unsigned char* NewRing(std::size_t bytes);
  const std::unique_ptr<unsigned char[], AlignedDelete> buffer_;
  std::vector<std::size_t> sizes_;
  std::mutex mutex_;
  std::condition_variable_any changed_;
  std::size_t filled_ = 0;    // pieces the reader has finished (guarded)
  std::size_t released_ = 0;  // pieces the caller is done with (guarded)
  bool ended_ = false;        // the reader has filled its last piece (guarded)
  bool readerWaits_ = false;  // the reader waits for room (guarded)
  std::size_t taken_ = 0;     // pieces Next has returned (caller's thread)
  std::jthread thread_;       // last: starts once everything above exists
};
