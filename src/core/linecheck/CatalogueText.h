#pragma once
// Text rules shared by the catalogue database and the screen check. Both sides
// must fold and trim the same way, or a stored name could never match a row.
#include <functional>
#include <string>

namespace linecheck {

// Receives the user-visible texts of the line check ("Database loaded (…)",
// progress lines). The caller decides where they go (status bar, message box).
using TextSink = std::function<void(const std::string& text)>;

// Upper-cases the ASCII letters and leaves every other byte alone. Screen bytes
// are in the font's code page while names on disk are UTF-8, so no single
// non-ASCII table would be right for both; ASCII folding is identical on both
// sides and does not depend on the C locale (it runs on the worker thread).
void UpperCase(std::string& text);

// Removes trailing white space (space, tab, line feed, vertical tab, form feed,
// carriage return). Only the tail is touched, so every other byte keeps its column.
void TrimRight(std::string& text);

}  // namespace linecheck
