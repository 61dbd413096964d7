#pragma once
// What F1 .. F12 send in each emulation and modifier state. The entries are
// stored without their leading ESC; the key translation puts it in front of a
// non-empty entry.
#include <string_view>

inline constexpr int kEmulationVt100 = 0;
inline constexpr int kEmulationAnsi = 1;

inline constexpr int kFunctionKeyCount = 12;
inline constexpr int kFunctionKeyRows = 4;

// Modifier row of the tables: 0 plain, 1 Shift, 2 Ctrl, 3 Ctrl+Shift.
constexpr int FunctionKeyRow(bool shift, bool ctrl) { return (shift ? 1 : 0) + (ctrl ? 2 : 0); }

// The table entry for function key number `column` (0 = F1) in modifier row
// `row`, without the ESC. Empty when the key sends nothing there, when the
// emulation is neither VT100 nor ANSI, or when row or column are out of range.
std::string_view FunctionKeyEntry(int emulation, int row, int column);
