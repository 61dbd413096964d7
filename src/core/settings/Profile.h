#pragma once
// The settings store seen by the rest of the program: sections of named keys
// holding integers or strings. Reads take a default; writes reach storage at once.
#include <string>

class Profile {
 public:
  virtual ~Profile() = default;
  virtual int GetInt(const std::string& section, const std::string& key, int def) = 0;
  virtual std::string GetString(const std::string& section, const std::string& key,
                                const std::string& def = {}) = 0;
  virtual void WriteInt(const std::string& section, const std::string& key, int value) = 0;
  virtual void WriteString(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
};
