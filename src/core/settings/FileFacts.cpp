#include "settings/FileFacts.h"

#include <system_error>

#ifdef _WIN32
#include <process.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#endif

namespace fs = std::filesystem;

FileIdentity IdentityOf(const fs::path& path) {
  FileIdentity identity;
  std::error_code ec;
  identity.exists = fs::exists(path, ec);
  if (!identity.exists) return identity;
  identity.modified = fs::last_write_time(path, ec);
  identity.size = fs::is_regular_file(path, ec) ? fs::file_size(path, ec) : 0;
#ifndef _WIN32
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) {
    identity.device = static_cast<std::uint64_t>(info.st_dev);
    identity.inode = static_cast<std::uint64_t>(info.st_ino);
  }
#endif
  return identity;
}

bool IsReadOnlyForUs(const fs::path& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return false;
  if ((status.permissions() & fs::perms::owner_write) == fs::perms::none) return true;
#ifndef _WIN32
  if (access(path.c_str(), W_OK) != 0) return errno == EACCES || errno == EROFS || errno == EPERM;
#endif
  return false;
}

void CopyOwnerAndMode(const fs::path& original, const fs::path& replacement) {
  std::error_code ec;
#ifndef _WIN32
  struct stat info {};
  if (stat(original.c_str(), &info) != 0) return;
  // The owner first: changing it may clear set-id bits that the mode then restores.
  if (chown(replacement.c_str(), info.st_uid, info.st_gid) != 0)
    (void)!chown(replacement.c_str(), static_cast<uid_t>(-1), info.st_gid);
  fs::permissions(replacement, static_cast<fs::perms>(info.st_mode & 07777), ec);
#else
  const fs::file_status status = fs::status(original, ec);
  if (!ec && fs::exists(status)) fs::permissions(replacement, status.permissions(), ec);
#endif
}

long CurrentProcessId() {
#ifdef _WIN32
  return static_cast<long>(_getpid());
#else
  return static_cast<long>(getpid());
#endif
}

bool ProcessIsGone([[maybe_unused]] long pid) {
#ifdef _WIN32
  return false;
#else
  if (pid <= 0) return false;
  return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
#endif
}
