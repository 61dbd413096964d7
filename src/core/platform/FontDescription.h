#pragma once
// The terminal font as the profile describes it.
#include <algorithm>
#include <string>

// Font sizes, in tenths of a point, the terminal is drawn in: 4 to 72 points.
// Far beyond them a single cell no longer fits on a display (and its glyph
// images take hundreds of megabytes); far below, nothing is legible.
inline constexpr int kMinFontTenths = 40;
inline constexpr int kMaxFontTenths = 720;

// A size brought into that range. 0 or less stays as it is: it asks for the
// default size, as a zero font height does on the desktop Corvane comes from.
inline int BoundedFontTenths(int tenths) {
  return tenths <= 0 ? tenths : std::clamp(tenths, kMinFontTenths, kMaxFontTenths);
}

struct FontDescription {
  int heightTenths = 110;  // tenths of a point
  bool italic = false;
  int charSet = 1;                    // 0..255
  std::string faceName = "Terminal";  // at most 31 characters
  bool fixedPitch = true;
};
