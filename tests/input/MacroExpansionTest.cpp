#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/MacroExpansion.h"

namespace {

struct ExpansionCase {
  std::string text;
  std::string bytes;
};

TEST(ExpandMacro, EscapeNotation) {
  const std::vector<ExpansionCase> cases = {
      {"", ""},
      {"ls -l\\r", "ls -l\r"},
      {"\\e[A", "\x1b[A"},
      {"a\\qb", "ab"},  // unknown escape: both characters dropped
      {"c:\\\\dir", "c:\\dir"},
      {"\\n", "\n"},       // LF alone, no CR
      {"\\r\\n", "\r\n"},  // the line end Enter sends
      {"\\t", "\t"},
      {"\\\\e", "\\e"},  // backslash then a plain e, not ESC
      {"\\\\\\e", "\\\x1b"},
      {"abc\\", "abc"},  // trailing backslash dropped
      {"\\", ""},
      {"\\\\\\", "\\"},
      {"\\E\\N\\R\\T", ""},  // upper case escapes mean nothing
      {"x\\Ey", "xy"},
      {"\\0\\x41", "41"},  // no numeric escapes
      {"\\ ", ""},
      {"\\\\n", "\\n"},
      {"plain text", "plain text"},
  };
  for (const ExpansionCase& c : cases) {
    EXPECT_EQ(ExpandMacro(c.text), c.bytes) << "text: " << c.text;
  }
}

TEST(ExpandMacro, HighAndNulBytesAreCopied) {
  const std::string text("\xe9\0\xff", 3);
  EXPECT_EQ(ExpandMacro(text), text);
  // A backslash before a high byte is an unknown escape like any other.
  EXPECT_EQ(ExpandMacro("a\\\xe9z"), "az");
}

}  // namespace
