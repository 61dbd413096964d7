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
#include <filesystem>

class FileLock {
 public:
  // Tries for a short while to take the lock at `lockFile`. A lock that cannot
  // be had (a folder nobody may create files in, a holder that hangs) is not
  // waited for: the caller goes on unlocked, as it would without the lock.
  explicit FileLock(std::filesystem::path lockFile);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool Held() const { return fd_ >= 0; }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
};

// The lock file that guards `file`: a hidden name beside it.
std::filesystem::path LockFileFor(const std::filesystem::path& file);
