#include "KeyTable.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "EscapedBytes.h"

std::vector<KeyRow> LoadKeyTable(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<KeyRow> rows;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream columns(line);
    std::string mods, emulation, mode, sends, frame;
    KeyRow row;
    if (!(columns >> row.key >> mods >> emulation >> mode >> sends))
      throw std::runtime_error(path + ":" + std::to_string(number) + ": five columns expected");
    columns >> frame;
    std::istringstream names(mods);
    for (std::string m; std::getline(names, m, '+');) {
      bool* flag = m == "ctrl"     ? &row.ctrl
                   : m == "shift"  ? &row.shift
                   : m == "alt"    ? &row.alt
                   : m == "keypad" ? &row.keypad
                   : m == "apps"   ? &row.apps
                                   : nullptr;
      if (flag)
        *flag = true;
      else if (m != "-")
        throw std::runtime_error(path + ":" + std::to_string(number) + ": " + m);
    }
    row.emulation = emulation == "vt100" ? 0 : emulation == "ansi" ? 1 : std::stoi(emulation);
    row.applicationMode = mode == "app";
    row.sends = sends == "-" ? std::string() : Unescape(sends);
    row.frame = frame == "frame";
    row.line = number;
    row.name = emulation + " " + mode + " " + (mods == "-" ? "" : mods + " ") + row.key;
    rows.push_back(row);
  }
  return rows;
}
