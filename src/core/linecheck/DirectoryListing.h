#pragma once
// Directory listings for the catalogue: the items of one directory, by name.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace linecheck {

struct DirectoryItem {
  std::string name;        // the item's own name, never a path
  std::uint32_t size = 0;  // low 32 bits of the size in bytes; 0 for directories
  bool directory = false;  // a directory, or a link to one
  bool link = false;       // a symbolic link (a linked directory is not walked into)
};

enum class ItemFilter {
  All,             // every item
  ShortExtension,  // names whose extension (after the last dot) has at most 3 characters
};

// True when the text after the last dot of `name` is at most three characters
// long; a name without a dot has an empty extension and qualifies.
bool HasShortExtension(const std::string& name);

// The items of `dir` that pass `filter`, sorted by name so the catalogue is the
// same on every run. "." and ".." are never listed, and neither is anything that
// is not a directory or a regular file (pipes, devices, sockets, links that lead
// nowhere): they have no size worth matching. A directory that is missing or
// cannot be read lists as empty; a failure part-way keeps what was read.
std::vector<DirectoryItem> ListDirectory(const std::filesystem::path& dir, ItemFilter filter);

}  // namespace linecheck
