#include "input/FunctionKeyTables.h"

#include <array>

namespace {

using Table = std::array<std::array<std::string_view, kFunctionKeyCount>, kFunctionKeyRows>;

// VT100: only plain and Shift send anything, and F11/F12 never do. The
// numbers follow the DEC keyboard, hence [17~ for F5 and the gaps at 27 and 30.
constexpr Table kVt100 = {{
    {"OP", "OQ", "OR", "OS", "[17~", "[18~", "[19~", "[20~", "[21~", "[22~", "", ""},
    {"[23~", "[24~", "[25~", "[26~", "[28~", "[29~", "[31~", "[32~", "[33~", "[34~", "", ""},
    {},
    {},
}};

// ANSI (SCO console style): "[" and one character, running through M..Z,
// a..z, then @ [ \ ] ^ _ ` { row by row.
constexpr Table kAnsi = {{
    {"[M", "[N", "[O", "[P", "[Q", "[R", "[S", "[T", "[U", "[V", "[W", "[X"},
    {"[Y", "[Z", "[a", "[b", "[c", "[d", "[e", "[f", "[g", "[h", "[i", "[j"},
    {"[k", "[l", "[m", "[n", "[o", "[p", "[q", "[r", "[s", "[t", "[u", "[v"},
    {"[w", "[x", "[y", "[z", "[@", "[[", "[\\", "[]", "[^", "[_", "[`", "[{"},
}};

}  // namespace

std::string_view FunctionKeyEntry(int emulation, int row, int column) {
  if (row < 0 || row >= kFunctionKeyRows || column < 0 || column >= kFunctionKeyCount) return {};
  switch (emulation) {
    case kEmulationVt100:
      return kVt100[row][column];
    case kEmulationAnsi:
      return kAnsi[row][column];
    default:
      return {};
  }
}
