#include "frame/LogFileOpen.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef _WIN32

// Windows opens named pipes and devices only by their own names, which a
// file dialog does not offer.
std::FILE* OpenLogFileWithoutWaiting(const std::string& path) {
  return std::fopen(path.c_str(), "wb");
}

#else

namespace {

bool IsNullDevice(const struct stat& opened) {
  struct stat null {};
  return S_ISCHR(opened.st_mode) && stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode) &&
         opened.st_rdev == null.st_rdev;
}

}  // namespace

std::FILE* OpenLogFileWithoutWaiting(const std::string& path) {
  // Not emptied yet (no O_TRUNC): only a file found to be regular is.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat opened {};
  const bool regular = fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode);
  if ((!regular && !IsNullDevice(opened)) || (regular && ftruncate(fd, 0) != 0)) {
    close(fd);
    return nullptr;
  }
  // Writes to the file itself may block as they always did; only the open may not.
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) close(fd);
  return file;
}

#endif
