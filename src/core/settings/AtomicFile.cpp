// Whole-file reads and crash-safe whole-file replacement.
#include "settings/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string_view>
#include <system_error>

#include "settings/FileFacts.h"

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

enum class Mode { kRead, kCreateNew, kUpdate };

std::FILE* Open(const fs::path& path, Mode mode) {
#ifdef _WIN32
  const wchar_t* flags = mode == Mode::kRead ? L"rb" : mode == Mode::kCreateNew ? L"wbx" : L"r+b";
  return _wfopen(path.c_str(), flags);
#else
  const char* flags = mode == Mode::kRead ? "rb" : mode == Mode::kCreateNew ? "wbx" : "r+b";
  return std::fopen(path.c_str(), flags);
#endif
}

}  // namespace

bool ReadWholeFile(const fs::path& path, std::string& content) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  std::FILE* file = Open(path, Mode::kRead);
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

constexpr std::string_view kTempSuffix = ".tmp";
constexpr std::size_t kTempTagDigits = 12;

// ".<name>." : what every temporary name for target starts with.
std::string TempPrefixFor(const fs::path& target) {
  std::string prefix = ".";  // appended step by step: GCC 12's -Wrestrict misfires on "." + s
  prefix += target.filename().string();
  prefix += '.';
  return prefix;
}

// ".<name>.<pid>.<12 hex digits>.tmp" beside the target: no other writer
// (thread or process) uses it, and the id says whose it is once it is left.
fs::path TempNameFor(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  char tag[48];
  std::snprintf(tag, sizeof tag, "%ld.%08x%04x", CurrentProcessId(), seed, (counter++) & 0xFFFFu);
  fs::path name = target;
  std::string leaf = TempPrefixFor(target);
  leaf += tag;
  leaf += kTempSuffix;
  name.replace_filename(leaf);
  return name;
}

// The writer's process id when `leaf` is one of target's temporary names.
long WriterOfTempName(std::string_view leaf, std::string_view prefix) {
  if (leaf.size() <= prefix.size() + kTempSuffix.size() ||
      leaf.substr(0, prefix.size()) != prefix ||
      leaf.substr(leaf.size() - kTempSuffix.size()) != kTempSuffix)
    return -1;
  std::string_view middle =
      leaf.substr(prefix.size(), leaf.size() - prefix.size() - kTempSuffix.size());
  const auto dot = middle.find('.');
  if (dot == 0 || dot == std::string_view::npos || middle.size() - dot - 1 != kTempTagDigits)
    return -1;
  long pid = 0;
  for (const char c : middle.substr(0, dot)) {
    if (c < '0' || c > '9' || pid > 100000000) return -1;
    pid = pid * 10 + (c - '0');
  }
  for (const char c : middle.substr(dot + 1)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return -1;
  }
  return pid;
}

bool WriteAndFlush(std::FILE* file, const std::string& bytes) {
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return FlushToDisk(file) && ok;
}

// Rewrites target's bytes where they are: for a target whose folder takes no
// new files. The old bytes go back when the new ones cannot all be written.
bool RewriteInPlace(const fs::path& target, const std::string& bytes) {
  std::string old;
  if (!ReadWholeFile(target, old)) return false;
  std::FILE* file = Open(target, Mode::kUpdate);
  if (file == nullptr) return false;
  std::error_code ec;
  bool ok = WriteAndFlush(file, bytes);
  if (ok) {
    ok = std::fclose(file) == 0;
    if (ok) fs::resize_file(target, bytes.size(), ec);
    return ok && !ec;
  }
  std::rewind(file);
  WriteAndFlush(file, old);
  std::fclose(file);
  fs::resize_file(target, old.size(), ec);
  return false;
}

// Renames temp over target. Where the system can exchange the two names in
// one step, it does that instead and looks at the file it displaced: when that
// is not the one the caller read, someone saved in the instant since the last
// look, and their file is swapped back into place.
ReplaceResult PutInPlace(const fs::path& temp, const fs::path& target,
                         [[maybe_unused]] const std::function<bool(const fs::path&)>& unchanged) {
  std::error_code ec;
#if defined(__linux__) && defined(RENAME_EXCHANGE)
  if (unchanged && fs::is_regular_file(target, ec) &&
      renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
    if (unchanged(temp)) return ReplaceResult::kReplaced;  // temp now names the old file
    renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE);
    return ReplaceResult::kTargetChanged;
  }
  // No file to exchange with, or a file system that cannot: a plain rename.
#endif
  fs::rename(temp, target, ec);
  return ec ? ReplaceResult::kFailed : ReplaceResult::kReplaced;
}

}  // namespace

ReplaceResult ReplaceFile(const fs::path& target, const std::string& bytes,
                          const std::function<bool(const fs::path&)>& unchanged,
                          FileIdentity* written, std::error_code* error) {
  std::error_code ec;
  std::error_code why;  // the first thing that went wrong
  const auto failed = [&](int code) {
    if (!why) why.assign(code != 0 ? code : EIO, std::generic_category());
    if (error) *error = why;
    return ReplaceResult::kFailed;
  };
  const fs::path dir = target.parent_path();
  if (!dir.empty()) fs::create_directories(dir, ec);  // a failure shows when the file will not open

  fs::path temp;
  std::FILE* file = nullptr;
  int openError = 0;
  for (int attempt = 0; attempt < 4 && file == nullptr; ++attempt) {
    temp = TempNameFor(target);
    errno = 0;
    file = Open(temp, Mode::kCreateNew);
    openError = errno;
    if (file == nullptr && openError != EEXIST) break;
  }
  if (file == nullptr) {
    // A folder the user may not add files to, around a file they may write.
    const bool folderRefuses = openError == EACCES || openError == EPERM;
    if (!folderRefuses || !fs::is_regular_file(target, ec)) return failed(openError);
    if (unchanged && !unchanged(target)) return ReplaceResult::kTargetChanged;
    errno = 0;
    if (!RewriteInPlace(target, bytes)) return failed(errno);
    if (written) *written = IdentityOf(target);
    return ReplaceResult::kReplaced;
  }

  errno = 0;
  bool ok = WriteAndFlush(file, bytes);
  if (!ok) why.assign(errno != 0 ? errno : EIO, std::generic_category());
  errno = 0;
  ok = std::fclose(file) == 0 && ok;
  if (!ok && !why) why.assign(errno != 0 ? errno : EIO, std::generic_category());
  ReplaceResult result = ok ? ReplaceResult::kReplaced : ReplaceResult::kFailed;
  if (ok) {
    if (fs::exists(target, ec)) CopyOwnerAndMode(target, temp);
    if (written) *written = IdentityOf(temp);  // a rename keeps the file's identity
    // The last look before the rename: the closer to it, the smaller the
    // window in which another program's save could still be overwritten.
    if (unchanged && !unchanged(target)) {
      result = ReplaceResult::kTargetChanged;
    } else {
      errno = 0;
      result = PutInPlace(temp, target, unchanged);
      if (result == ReplaceResult::kFailed)
        why.assign(errno != 0 ? errno : EIO, std::generic_category());
    }
  }
  // After an exchange the temporary name holds the old file; either way it goes.
  fs::remove(temp, ec);
  if (result == ReplaceResult::kReplaced) FlushDirectory(dir);
  if (result == ReplaceResult::kFailed) return failed(0);
  return result;
}

void RemoveAbandonedTempFiles(const fs::path& target) {
  const std::string prefix = TempPrefixFor(target);
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    std::string leaf;
    try {
      leaf = it->path().filename().string();
    } catch (const std::exception&) {
      continue;  // a name the narrow encoding cannot hold is none of ours
    }
    const long writer = WriterOfTempName(leaf, prefix);
    std::error_code itemError;
    if (writer > 0 && ProcessIsGone(writer) && !it->is_symlink(itemError) &&
        it->is_regular_file(itemError))
      fs::remove(it->path(), itemError);
  }
}
