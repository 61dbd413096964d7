#include "settings/MemoryProfile.h"

#include <cctype>
#include <cstdlib>

std::string MemoryProfile::Fold(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

int MemoryProfile::GetInt(const std::string& section, const std::string& key, int def) {
  std::lock_guard lock(mutex_);
  auto it = values_.find(Fold(section) + "\n" + Fold(key));
  return it == values_.end() ? def : std::atoi(it->second.c_str());
}

std::string MemoryProfile::GetString(const std::string& section, const std::string& key,
                                     const std::string& def) {
  std::lock_guard lock(mutex_);
  auto it = values_.find(Fold(section) + "\n" + Fold(key));
  return it == values_.end() ? def : it->second;
}

void MemoryProfile::WriteInt(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void MemoryProfile::WriteString(const std::string& section, const std::string& key,
                                const std::string& value) {
  Set(section, key, value);
  std::lock_guard lock(mutex_);
  writes.push_back({section, key, value});
}

void MemoryProfile::Set(const std::string& section, const std::string& key,
                        const std::string& value) {
  std::lock_guard lock(mutex_);
  values_[Fold(section) + "\n" + Fold(key)] = value;
}

bool MemoryProfile::Has(const std::string& section, const std::string& key) const {
  std::lock_guard lock(mutex_);
  return values_.count(Fold(section) + "\n" + Fold(key)) != 0;
}

std::string MemoryProfile::Value(const std::string& section, const std::string& key) const {
  std::lock_guard lock(mutex_);
  auto it = values_.find(Fold(section) + "\n" + Fold(key));
  return it == values_.end() ? std::string() : it->second;
}
