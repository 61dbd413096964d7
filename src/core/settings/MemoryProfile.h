#pragma once
// A settings store that lives only in memory (the replay tool and tests use it
// so they never touch the user's profile); case-insensitive like the INI file,
// and it records every write in order.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "settings/Profile.h"

class MemoryProfile : public Profile {
 public:
  struct Write {
    std::string section, key, value;
  };

  int GetInt(const std::string& section, const std::string& key, int def) override;
  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& def = {}) override;
  void WriteInt(const std::string& section, const std::string& key, int value) override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;

  // Sets a value without recording it as a write (test set-up).
  void Set(const std::string& section, const std::string& key, const std::string& value);
  bool Has(const std::string& section, const std::string& key) const;
  std::string Value(const std::string& section, const std::string& key) const;

  std::vector<Write> writes;  // read it only while no other thread writes

 private:
  static std::string Fold(const std::string& s);
  mutable std::mutex mutex_;                   // the line-check worker reads while the UI writes
  std::map<std::string, std::string> values_;  // "section\nkey", folded
};
