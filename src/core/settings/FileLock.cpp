#include "settings/FileLock.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace fs = std::filesystem;

fs::path LockFileFor(const fs::path& file) {
  fs::path lock = file;
  std::string leaf = ".";  // appended step by step: GCC 12's -Wrestrict misfires on "." + s
  leaf += file.filename().string();
  leaf += ".lock";
  lock.replace_filename(leaf);
  return lock;
}

#ifdef _WIN32

FileLock::FileLock(fs::path lockFile, std::chrono::milliseconds /*patience*/)
    : path_(std::move(lockFile)) {}
FileLock::~FileLock() = default;

#else

namespace {

// Between attempts the pause doubles up to a few milliseconds: a holder that
// writes one small file is caught at once, one that keeps the lock costs a
// few dozen attempts a second rather than thousands.
constexpr auto kFirstPause = std::chrono::microseconds(100);
constexpr auto kLongestPause = std::chrono::microseconds(5000);

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

FileLock::FileLock(fs::path lockFile, std::chrono::milliseconds patience)
    : path_(std::move(lockFile)) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  auto pause = kFirstPause;
  for (;;) {
    const int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return;  // nowhere to put the lock: go on without it
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
      // The previous holder removes the file before it unlocks: a lock won on
      // a removed file guards nothing, so only a file still in place counts.
      struct stat held {
      }, named{};
      if (fstat(fd, &held) == 0 && stat(path_.c_str(), &named) == 0 && SameFile(held, named)) {
        fd_ = fd;
        return;
      }
    } else if (errno != EWOULDBLOCK && errno != EINTR) {
      close(fd);
      return;  // a file system without locks
    }
    close(fd);
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) break;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, kLongestPause);
  }
  busy_ = true;
}

FileLock::~FileLock() {
  if (fd_ < 0) return;
  unlink(path_.c_str());  // before unlocking, so a waiter sees the file is gone
  close(fd_);
}

#endif
