#include "linecheck/DirectoryListing.h"

#include <algorithm>
#include <exception>
#include <system_error>

namespace linecheck {

namespace fs = std::filesystem;

bool HasShortExtension(const std::string& name) {
  std::size_t dot = name.rfind('.');
  return dot == std::string::npos || name.size() - dot - 1 <= 3;
}

std::vector<DirectoryItem> ListDirectory(const fs::path& dir, ItemFilter filter) {
  std::vector<DirectoryItem> items;
  std::error_code ec;
  fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const fs::directory_entry& entry = *it;
    DirectoryItem item;
    try {
      item.name = entry.path().filename().string();
    } catch (const std::exception&) {
      continue;  // a name the narrow encoding cannot hold is left out
    }
    if (filter == ItemFilter::ShortExtension && !HasShortExtension(item.name)) continue;

    std::error_code itemError;
    item.link = entry.is_symlink(itemError);
    item.directory = entry.is_directory(itemError);
    if (!item.directory && !entry.is_regular_file(itemError)) continue;
    if (!item.directory) {
      std::uintmax_t size = entry.file_size(itemError);
      item.size = itemError ? 0 : static_cast<std::uint32_t>(size);
    }
    items.push_back(std::move(item));
  }
  std::sort(items.begin(), items.end(),
            [](const DirectoryItem& a, const DirectoryItem& b) { return a.name < b.name; });
  return items;
}

}  // namespace linecheck
