#include "terminal/TelnetData.h"

#include <algorithm>

#include "terminal/Controls.h"

std::string DoubleIac(std::string_view data) {
  constexpr char kIac = static_cast<char>(telnet::kIac);
  std::string out;
  out.reserve(data.size() + static_cast<std::size_t>(std::count(data.begin(), data.end(), kIac)));
  for (const char c : data) {
    out += c;
    if (c == kIac) out += kIac;
  }
  return out;
}
