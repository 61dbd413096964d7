#include "PieceReader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

PieceReader::PieceReader(int fd, std::size_t pieceBytes, std::size_t pieces)
    : fd_(fd),
      pieceBytes_(std::max<std::size_t>(pieceBytes, 1)),
      pieceCount_(std::max<std::size_t>(pieces, 2)),
      refill_(std::max<std::size_t>(pieceCount_ * 3 / 4, 1)),
      buffer_(NewRing(pieceCount_ * pieceBytes_)),
      sizes_(pieceCount_, 0),
      thread_([this](const std::stop_token& stop) { Fill(stop); }) {}

unsigned char* PieceReader::NewRing(std::size_t bytes) {
  return static_cast<unsigned char*>(::operator new[](bytes, kPageAlign));
}

PieceReader::~PieceReader() {
  thread_.request_stop();  // wakes a reader waiting for room
  // thread_ joins as it is destroyed. A reader blocked in read() returns at
  // the input's end, and the caller stops taking pieces only there.
}

std::span<const unsigned char> PieceReader::Next() {
  std::unique_lock lock(mutex_);
  if (taken_ > released_) {
    released_ = taken_;
    if (readerWaits_ && pieceCount_ - (filled_ - released_) >= refill_) changed_.notify_all();
  }
  changed_.wait(lock, [&] { return filled_ > taken_ || ended_; });
  if (filled_ == taken_) return {};
  const std::size_t piece = taken_++;
  return {Slot(piece), sizes_[piece % pieceCount_]};
}

void PieceReader::Fill(const std::stop_token& stop) {
  for (std::size_t piece = 0;; ++piece) {
    {
      std::unique_lock lock(mutex_);
      if (piece - released_ == pieceCount_) {
        readerWaits_ = true;
        const bool room =
            changed_.wait(lock, stop, [&] { return pieceCount_ - (piece - released_) >= refill_; });
        readerWaits_ = false;
        if (!room) return;
      }
    }
    // The caller does not look at this slot until it is published below.
    unsigned char* data = Slot(piece);
    std::size_t size = 0;
    bool end = false;
    while (size < pieceBytes_) {
      const ssize_t got = read(fd_, data + size, pieceBytes_ - size);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        end = true;
        break;
      }
      size += static_cast<std::size_t>(got);
    }
    std::lock_guard lock(mutex_);
    sizes_[piece % pieceCount_] = size;
    if (size > 0) ++filled_;
    ended_ = end;
    changed_.notify_all();
    if (end) return;
  }
}
