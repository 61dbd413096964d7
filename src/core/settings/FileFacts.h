#pragma once
// What the settings store asks of the operating system beyond std::filesystem:
// whether a file is the same one as before, whether the user may write it,
// copying its owner to a replacement, and whether a process still runs.
// POSIX answers all of it; the Windows stand-ins are noted on each function.
#include <cstdint>
#include <filesystem>

struct FileIdentity {
  bool exists = false;
  std::uint64_t device = 0;  // with `inode`: which file the name leads to (0 on Windows)
  std::uint64_t inode = 0;
  std::filesystem::file_time_type modified{};
  std::uintmax_t size = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The file a path leads to now (links followed). A file replaced by another
// (an editor's save by rename) differs even when its time and size are equal;
// on Windows only time and size tell.
FileIdentity IdentityOf(const std::filesystem::path& path);

// True when a settings file that exists must be left as it is: its owner has
// taken the write permission away (mode 444 and the like; this holds for
// every user, root included, as editors treat such a file), or the user may
// not write it at all. Windows: the read-only attribute.
bool IsReadOnlyForUs(const std::filesystem::path& path);

// Gives `replacement` the owner, group and mode of `original`, as far as the
// user may set them (an ordinary user keeps their own owner and may only pick
// one of their groups). Windows: the permission bits only.
void CopyOwnerAndMode(const std::filesystem::path& original,
                      const std::filesystem::path& replacement);

// This process's id.
long CurrentProcessId();

// True only when no process with that id exists any more. Windows: never
// sure, so false.
bool ProcessIsGone(long pid);
