#pragma once
// An advisory lock held through a lock file, so that several Corvane processes
// (or several stores in one) never interleave a read-modify-write of the same
// settings file. Other programs (editors) do not take it; the store checks for
// their changes separately.
//
// POSIX: flock() on the lock file, which exists only while the lock is held
// (its holder removes it, and a waiter that finds its file removed tries again).
// Windows: no lock is taken (a stand-in; the identity check before each
// replace still keeps other writers' changes).
#include <chrono>
#include <filesystem>

class FileLock {
 public:
  // Tries for at most `patience` to take the lock at `lockFile`. Busy() tells
  // a lock another holder keeps from one that cannot exist at all (a folder
  // nobody may create files in, a file system without locks), where a caller
  // may as well go on unlocked.
  FileLock(std::filesystem::path lockFile, std::chrono::milliseconds patience);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool Held() const { return fd_ >= 0; }
  bool Busy() const { return busy_; }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  bool busy_ = false;
};

// The lock file that guards `file`: a hidden name beside it.
std::filesystem::path LockFileFor(const std::filesystem::path& file);
