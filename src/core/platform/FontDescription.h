#pragma once
// The terminal font as the profile describes it.
#include <string>

struct FontDescription {
  int heightTenths = 110;  // tenths of a point
  bool italic = false;
  int charSet = 1;                    // 0..255
  std::string faceName = "Terminal";  // at most 31 characters
  bool fixedPitch = true;
};
