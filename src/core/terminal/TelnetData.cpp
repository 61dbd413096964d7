#include "terminal/TelnetData.h"

#include <algorithm>

std::string DoubleIac(std::string_view data) {
  constexpr char kIac = '\xFF';
  std::string out;
  out.reserve(data.size() + static_cast<std::size_t>(std::count(data.begin(), data.end(), kIac)));
  for (const char c : data) {
    out += c;
    if (c == kIac) out += kIac;
  }
  return out;
}
