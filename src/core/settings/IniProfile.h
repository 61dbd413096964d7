#pragma once
// The settings store kept in one INI file: "[Section]" lines and "key=value" lines.
//
// Lookups ignore the case of section and key names; blanks around names and values
// are not part of them, and one pair of matching quotes around a value is removed
// (values that need them to survive are quoted when written). Every write replaces
// the whole file atomically; a write that cannot be made is silently dropped from the
// disk but kept in memory for this run (and tried again with the next write). Lines
// the store does not understand, comments and unknown keys are kept as they are. The
// file is read again whenever it changes (another file put in its place, another size
// or modification time), so hand edits made while the program runs take effect.
//
// Other writers are respected: each write is a read-modify-write under an advisory
// lock shared with other stores on the same file, and when the file was replaced
// between reading it and putting the new one in its place (an editor's save), the
// write is merged into the new content and made again. A file its owner has made
// read-only (no owner write permission), or that the user may not write, is never
// changed. All operations are serialised by one mutex, so any thread may use the store.
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "settings/FileFacts.h"
#include "settings/Profile.h"

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
  struct Write {
    std::string section, key, value;
  };

  // All of these expect mutex_ to be held.
  void ReloadIfChanged();
  // Reads the file, then applies the writes that have not reached it yet.
  void Reload(const FileIdentity& identity);
  void Load(const FileIdentity& identity);
  std::optional<std::string> Find(const std::string& section, const std::string& key) const;
  void Store(const std::string& section, const std::string& key, const std::string& value);
  void InsertLine(std::size_t index, std::string text);
  void Save(const std::filesystem::path& target);
  std::string Serialise() const;
  // The file a write replaces: the one a symbolic link at path_ leads to.
  std::filesystem::path Target() const;

  const std::filesystem::path path_;
  std::mutex mutex_;
  std::optional<FileIdentity> loaded_;  // the file lines_ came from; none before reading
  std::string byte_order_mark_;         // a UTF-8 mark the file started with, written back as found
  std::vector<std::string> lines_;      // the file's lines without their '\n'
  bool final_newline_ = true;           // whether the last line ended with '\n'
  std::string line_end_;                // "\r" when the file uses CR LF: appended to new lines
  bool readable_ = true;        // false: the file exists but could not be read; never replace it
  std::vector<Write> pending_;  // changes that have not reached the disk yet, one per key
};
