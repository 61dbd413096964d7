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
// lock shared with other stores on the same file. A write that cannot have the
// lock in time (another process keeps it) stays pending: reads return it, the
// next write or RetryPendingWrites tries again, and at the end the store writes
// it without the lock rather than lose it. When the file was replaced
// between reading it and putting the new one in its place (an editor's save), the
// write is merged into the new content and made again. A file its owner has made
// read-only (no owner write permission), or that the user may not write, is never
// changed. A write that fails otherwise (a full disk, a missing folder) is told to the
// failure callback. All operations are serialised by one mutex, so any thread may use
// the store.
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "settings/FileFacts.h"
#include "settings/Profile.h"

class IniProfile : public Profile {
 public:
  explicit IniProfile(std::filesystem::path path);
  // Writes what is still pending, waiting at most kFinalLockPatience for the lock.
  ~IniProfile() override;
  IniProfile(const IniProfile&) = delete;
  IniProfile& operator=(const IniProfile&) = delete;

  static constexpr std::chrono::milliseconds kDefaultLockPatience{2000};
  static constexpr std::chrono::milliseconds kFinalLockPatience{500};

  int GetInt(const std::string& section, const std::string& key, int def) override;
  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& def = {}) override;
  void WriteInt(const std::string& section, const std::string& key, int value) override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;

  const std::filesystem::path& Path() const { return path_; }

  // How long a write waits for another process's lock before it stays pending.
  void SetLockPatience(std::chrono::milliseconds patience);
  // Called when a write is left pending behind another process's lock. Called
  // with the store's mutex held: it may only note or post the news.
  void SetOnWaitingForLock(std::function<void()> callback);
  // Called with the reason when a write fails (a read-only file is no failure:
  // it is left alone on purpose). Called with the store's mutex held, like the above.
  void SetOnWriteFailure(std::function<void(const std::string& reason)> callback);
  // True while a write waits for another process's lock.
  bool WaitingForLock();
  // Tries the waiting writes again, with the usual patience.
  void RetryPendingWrites();
  // Writes what is pending now: waits at most `patience` for the lock, then
  // writes without it (the atomic replace keeps the file whole).
  void FlushPendingWrites(std::chrono::milliseconds patience);

  // While held, writes collect in memory (and reads see them); releasing
  // saves them in one write, and a failure of that write is not reported:
  // the start's own rewrites, made again by every start, never warn.
  void HoldWrites();
  void ReleaseWrites();

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
  enum class LockUse { kWait, kWaitThenGoAhead };
  void Save(const std::filesystem::path& target, std::chrono::milliseconds patience,
            LockUse use = LockUse::kWait);
  void Failed(const std::string& reason);
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
  std::chrono::milliseconds lockPatience_ = kDefaultLockPatience;
  bool waitingForLock_ = false;
  int holds_ = 0;
  bool quiet_ = false;  // failures of this save are not told
  std::function<void()> onWaitingForLock_;
  std::function<void(const std::string&)> onWriteFailure_;
};
