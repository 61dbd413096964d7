#include "input/MacroExpansion.h"

#include <optional>

namespace {

// The byte an escape letter stands for, or nothing for an unknown escape.
std::optional<char> EscapedByte(char letter) {
  switch (letter) {
    case '\\':
      return '\\';
    case 'e':
      return '\x1b';
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    default:
      return std::nullopt;
  }
}

}  // namespace

std::string ExpandMacro(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes += text[i];
      continue;
    }
    if (i + 1 == text.size()) break;  // a lone trailing backslash sends nothing
    if (const auto byte = EscapedByte(text[++i])) bytes += *byte;
  }
  return bytes;
}
