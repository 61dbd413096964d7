#pragma once
// The rows of tests/data/keys/keys.tsv: what a key-down sends, for the key
// translation's tests and the window's.
#include <string>
#include <vector>

struct KeyRow {
  std::string key;  // Qt's name without "Key_"
  bool ctrl = false, shift = false, alt = false, keypad = false, apps = false;
  int emulation = 0;
  bool applicationMode = true;
  std::string sends;  // the bytes
  bool frame = false;
  int line = 0;
  std::string name;  // e.g. "ansi app ctrl+shift F1"
};

// Throws std::runtime_error with the line on a malformed row.
std::vector<KeyRow> LoadKeyTable(const std::string& path);
