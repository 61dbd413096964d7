#pragma once
// The line-check catalogue: a fixed-capacity list of names with numbers (file
// names with their sizes), built from the catalogue files, the directories they
// name and one directory tree, all configured in the profile section "Special".
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "linecheck/CatalogueText.h"
#include "settings/Profile.h"

// The "Special" settings the catalogue is built from.
struct LineCheckSettings {
  int dbSize = 0;          // "DBSize": capacity; 0 or less switches the line check off
  std::string cdDir;       // "CDDir": base of the directories named by catalogue records
  std::string csvDir;      // "CSVDir": folder holding cd0.csv .. cd9.csv
  std::string defaultDir;  // "DefaultDir": tree added after the catalogues

  static LineCheckSettings Read(Profile& profile);
};

class LineCheckDatabase {
 public:
  // Builds and loads the catalogue. When it holds entries, `notify` receives
  // "Database loaded (<count>/<DBSize>)" before the constructor returns; the
  // destructor sends "Database unloaded" the same way. Runs on the check's
  // worker thread: it reads files and never touches a window.
  // When `stop` is given and becomes true, loading ends soon after with what
  // was stored so far, and no "Database loaded" is sent: the session is going.
  explicit LineCheckDatabase(Profile& profile, linecheck::TextSink notify = {},
                             const std::atomic<bool>* stop = nullptr);
  explicit LineCheckDatabase(const LineCheckSettings& settings, linecheck::TextSink notify = {},
                             const std::atomic<bool>* stop = nullptr);
  ~LineCheckDatabase();

  LineCheckDatabase(const LineCheckDatabase&) = delete;
  LineCheckDatabase& operator=(const LineCheckDatabase&) = delete;

  // The capacity a "DBSize" value stands for: a negative value (only possible by
  // editing the profile by hand) counts as 0, which switches the check off.
  static std::uint32_t CapacityFor(int dbSize);

  // Name `index` in upper case, or the empty string past the last entry. The
  // reference stays valid for the database's lifetime.
  const std::string& GetName(std::uint32_t index) const;
  // Number `index`, or 0 past the last entry.
  std::uint32_t GetNumber(std::uint32_t index) const;

  std::uint32_t Count() const { return static_cast<std::uint32_t>(entries_.size()); }
  std::uint32_t Capacity() const { return capacity_; }

 private:
  struct Entry {
    std::string name;
    std::uint32_t number;
  };

  void Load(const LineCheckSettings& settings);
  void LoadCsvFile(const std::string& path, const std::string& cdDir);
  void AddListedItems(const std::string& directory);
  void AddDirectoryTree(const std::string& directory);
  bool IsFull() const { return entries_.size() >= capacity_; }
  bool Stopped() const { return stop_ != nullptr && stop_->load(std::memory_order_relaxed); }
  // Loading goes on while this holds: room is left and nobody asked to stop.
  bool Continuing() const { return !IsFull() && !Stopped(); }
  // Stores one entry; false (and nothing stored) once the capacity is reached.
  // A name that is empty is not stored (the check ends its scan at the first
  // empty name, so one would hide every entry behind it) and gives true.
  bool Store(std::string name, std::uint32_t number);

  std::uint32_t capacity_ = 0;
  std::vector<Entry> entries_;  // reserved once at the full capacity, never grown past it
  linecheck::TextSink notify_;
  const std::atomic<bool>* stop_ = nullptr;
};
