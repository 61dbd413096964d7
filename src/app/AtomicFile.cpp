// Whole-file reads and crash-safe whole-file replacement.
#include "app/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

std::FILE* Open(const fs::path& path, bool create_new) {
#ifdef _WIN32
  return _wfopen(path.c_str(), create_new ? L"wbx" : L"rb");
#else
  return std::fopen(path.c_str(), create_new ? "wbx" : "rb");
#endif
}

}  // namespace

bool ReadWholeFile(const fs::path& path, std::string& content) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  std::FILE* file = Open(path, false);
  if (file == nullptr) return false;
  char buffer[8192];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

namespace {

bool FlushToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
#ifdef _WIN32
  return _commit(_fileno(file)) == 0;
#else
  return fsync(fileno(file)) == 0;
#endif
}

// Makes the rename itself durable; Windows has no portable equivalent and needs none.
void FlushDirectory([[maybe_unused]] const fs::path& dir) {
#ifndef _WIN32
  const int fd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
#endif
}

// A hidden name beside the target that no other writer (thread or process) uses.
fs::path TempNameFor(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%08x%04x.tmp", seed, (counter++) & 0xFFFFu);
  fs::path name = target;
  std::string leaf = ".";  // appended step by step: GCC 12's -Wrestrict misfires on "." + s
  leaf += target.filename().string();
  leaf += suffix;
  name.replace_filename(leaf);
  return name;
}

}  // namespace

// Writes the whole file to a temporary file in the same directory, flushes it to the
// disk and renames it over the target: readers see the old file or the new one, never
// a part of either. False when any step fails; no temporary file is left behind.
bool ReplaceFile(const fs::path& target, const std::string& bytes) {
  std::error_code ec;
  const fs::path dir = target.parent_path();
  if (!dir.empty()) fs::create_directories(dir, ec);  // a failure shows when the file will not open

  fs::path temp;
  std::FILE* file = nullptr;
  for (int attempt = 0; attempt < 4 && file == nullptr; ++attempt) {
    temp = TempNameFor(target);
    errno = 0;
    file = Open(temp, true);
    if (file == nullptr && errno != EEXIST) break;
  }
  if (file == nullptr) return false;

  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = FlushToDisk(file) && ok;
  ok = std::fclose(file) == 0 && ok;
  if (ok) {
    // Keep permissions the user gave the file (e.g. private to its owner).
    const fs::file_status old_status = fs::status(target, ec);
    if (!ec && fs::exists(old_status)) fs::permissions(temp, old_status.permissions(), ec);
    fs::rename(temp, target, ec);
    ok = !ec;
  }
  if (!ok) {
    fs::remove(temp, ec);
    return false;
  }
  FlushDirectory(dir);
  return true;
}

