#include "app/MemoryProfile.h"

#include <cctype>
#include <cstdlib>

std::string MemoryProfile::Fold(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

int MemoryProfile::GetInt(const std::string& section, const std::string& key, int def) {
  if (!Has(section, key)) return def;
  return std::atoi(Value(section, key).c_str());
}

std::string MemoryProfile::GetString(const std::string& section, const std::string& key,
                                     const std::string& def) {
  return Has(section, key) ? Value(section, key) : def;
}

void MemoryProfile::WriteInt(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void MemoryProfile::WriteString(const std::string& section, const std::string& key,
                                const std::string& value) {
  Set(section, key, value);
  writes.push_back({section, key, value});
}

void MemoryProfile::Set(const std::string& section, const std::string& key,
                        const std::string& value) {
  values_[Fold(section) + "\n" + Fold(key)] = value;
}

bool MemoryProfile::Has(const std::string& section, const std::string& key) const {
  return values_.count(Fold(section) + "\n" + Fold(key)) != 0;
}

std::string MemoryProfile::Value(const std::string& section, const std::string& key) const {
  auto it = values_.find(Fold(section) + "\n" + Fold(key));
  return it == values_.end() ? std::string() : it->second;
}
