#include "linecheck/LineCheckDatabase.h"

#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>

#include "linecheck/CatalogueReader.h"
#include "linecheck/DirectoryListing.h"
#include "settings/ProfileKeys.h"

namespace fs = std::filesystem;

namespace {

const std::string kSeparator(1, static_cast<char>(fs::path::preferred_separator));

// Paths are joined as text, like the catalogue's own "dir\name" notation: a
// record name is never allowed to replace the base directory.
std::string Join(const std::string& base, const std::string& name) {
  return base + kSeparator + name;
}

}  // namespace

LineCheckSettings LineCheckSettings::Read(Profile& profile) {
  LineCheckSettings settings;
  settings.dbSize = keys::DBSize.Read(profile);
  settings.cdDir = keys::CDDir.Read(profile);
  settings.csvDir = keys::CSVDir.Read(profile);
  settings.defaultDir = keys::DefaultDir.Read(profile);
  return settings;
}

LineCheckDatabase::LineCheckDatabase(Profile& profile, linecheck::TextSink notify,
                                     const std::atomic<bool>* stop)
    : LineCheckDatabase(LineCheckSettings::Read(profile), std::move(notify), stop) {}

LineCheckDatabase::LineCheckDatabase(const LineCheckSettings& settings, linecheck::TextSink notify,
                                     const std::atomic<bool>* stop)
    : notify_(std::move(notify)), stop_(stop) {
  Load(settings);
  if (!entries_.empty() && notify_ && !Stopped()) {
    notify_("Database loaded (" + std::to_string(Count()) + "/" + std::to_string(Capacity()) + ")");
  }
}

LineCheckDatabase::~LineCheckDatabase() {
  if (entries_.empty() || !notify_) return;
  try {
    notify_("Database unloaded");
  } catch (...) {
    // A destructor must not throw; the message is only a notice.
  }
}

std::uint32_t LineCheckDatabase::CapacityFor(int dbSize) {
  return dbSize > 0 ? static_cast<std::uint32_t>(dbSize) : 0;
}

const std::string& LineCheckDatabase::GetName(std::uint32_t index) const {
  static const std::string kNone;
  return index < entries_.size() ? entries_[index].name : kNone;
}

std::uint32_t LineCheckDatabase::GetNumber(std::uint32_t index) const {
  return index < entries_.size() ? entries_[index].number : 0;
}

void LineCheckDatabase::Load(const LineCheckSettings& settings) {
  capacity_ = CapacityFor(settings.dbSize);
  if (capacity_ == 0) return;
  try {
    entries_.reserve(capacity_);
  } catch (const std::bad_alloc&) {
    capacity_ = 0;  // a capacity this machine cannot hold: stay empty
    return;
  } catch (const std::length_error&) {
    capacity_ = 0;
    return;
  }
  if (settings.cdDir.empty() || settings.csvDir.empty()) return;

  for (int i = 0; i <= 9 && Continuing(); ++i) {
    LoadCsvFile(Join(settings.csvDir, "cd" + std::to_string(i) + ".csv"), settings.cdDir);
  }
  AddDirectoryTree(settings.defaultDir);
}

void LineCheckDatabase::LoadCsvFile(const std::string& path, const std::string& cdDir) {
  // Only a regular file has an end: a pipe without a writer would block the
  // open for ever, and a device such as /dev/zero would never stop giving.
  std::error_code ec;
  if (!fs::is_regular_file(fs::path(path), ec)) return;
  std::ifstream file{fs::path(path)};  // text mode, like the catalogues were written
  if (!file.is_open()) return;
  linecheck::ReadCatalogue(
      *file.rdbuf(),
      [&](const linecheck::CatalogueRecord& record) {
        if (!Store(record.name, record.number)) return false;
        if (record.directory) AddListedItems(Join(cdDir, record.name));
        return Continuing();
      },
      stop_);
}

void LineCheckDatabase::AddListedItems(const std::string& directory) {
  if (directory.find('\0') != std::string::npos) return;  // not a path the system can open
  for (linecheck::DirectoryItem& item :
       linecheck::ListDirectory(fs::path(directory), linecheck::ItemFilter::ShortExtension)) {
    if (Stopped() || !Store(std::move(item.name), item.size)) return;
  }
}

void LineCheckDatabase::AddDirectoryTree(const std::string& directory) {
  if (directory.empty() || Stopped()) return;
  for (linecheck::DirectoryItem& item :
       linecheck::ListDirectory(fs::path(directory), linecheck::ItemFilter::All)) {
    std::string child = Join(directory, item.name);
    if (!Store(std::move(item.name), item.directory ? 0 : item.size)) return;
    // A linked directory is stored but not entered: a link back up the tree
    // would otherwise be walked for ever.
    if (item.directory && !item.link) AddDirectoryTree(child);
    if (!Continuing()) return;
  }
}

bool LineCheckDatabase::Store(std::string name, std::uint32_t number) {
  if (IsFull()) return false;
  if (name.empty()) return true;
  linecheck::UpperCase(name);
  entries_.push_back({std::move(name), number});
  return true;
}
