#pragma once
// The settings store kept in one INI file: "[Section]" lines and "key=value" lines.
//
// Lookups ignore the case of section and key names; blanks around names and values
// are not part of them, and one pair of matching quotes around a value is removed
// (values that need them to survive are quoted when written). Every write replaces
// the whole file atomically; a write that cannot be made is silently dropped from the
// disk but kept in memory for this run. Lines the store does not understand, comments
// and unknown keys are kept as they are. The file is read again whenever its size or
// modification time changes, so hand edits made while the program runs take effect.
// All operations are serialised by one mutex, so any thread may use the store.
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/Profile.h"

class IniProfile : public Profile {
 public:
  explicit IniProfile(std::filesystem::path path);

  int GetInt(const std::string& section, const std::string& key, int def) override;
  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& def = {}) override;
  void WriteInt(const std::string& section, const std::string& key, int value) override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;

  const std::filesystem::path& Path() const { return path_; }

 private:
  struct FileStamp {
    bool exists = false;
    std::filesystem::file_time_type modified{};
    std::uintmax_t size = 0;
    bool operator==(const FileStamp&) const = default;
  };

  // All of these expect mutex_ to be held.
  void ReloadIfChanged();
  void Load(const FileStamp& stamp);
  std::optional<std::string> Find(const std::string& section, const std::string& key) const;
  void Store(const std::string& section, const std::string& key, const std::string& value);
  void InsertLine(std::size_t index, std::string text);
  void Save();
  std::string Serialise() const;

  static FileStamp StampOf(const std::filesystem::path& path);

  const std::filesystem::path path_;
  std::mutex mutex_;
  std::optional<FileStamp> loaded_;  // the file state lines_ came from; none before the first read
  std::string byte_order_mark_;      // a UTF-8 mark the file started with, written back as found
  std::vector<std::string> lines_;   // the file's lines without their '\n'
  bool final_newline_ = true;        // whether the last line ended with '\n'
  std::string line_end_;             // "\r" when the file uses CR LF: appended to new lines
  bool readable_ = true;             // false: the file exists but could not be read; never replace it
  bool unsaved_ = false;             // a change that has not reached the disk yet
};
