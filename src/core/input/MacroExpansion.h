#pragma once
// The twelve macro keys (Applications key + F1 .. F12) and the escape notation
// their texts are written in.
#include <array>
#include <string>
#include <string_view>

inline constexpr int kMacroCount = 12;

// Macro texts as the user typed them; entry k-1 belongs to App+Fk.
using MacroTexts = std::array<std::string, kMacroCount>;

// Turns a macro text into the bytes to send. Backslash escapes, lower case
// only: \\ backslash, \e ESC, \n LF, \r CR, \t TAB. Any other escape is dropped
// together with the character after the backslash; a backslash at the very end
// is dropped. Everything else is copied byte for byte. The result may be empty.
std::string ExpandMacro(std::string_view text);
