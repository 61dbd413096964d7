#include "app/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string_view SkipBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return text.substr(i);
}

// "%u": optional sign, then decimal digits; false when there are no digits.
bool ScanUnsigned(std::string_view text, unsigned& value) {
  text = SkipBlanks(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  constexpr unsigned long long kMax = std::numeric_limits<unsigned>::max();
  unsigned long long number = 0;
  std::size_t digits = 0;
  while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) {
    number = std::min(number * 10 + static_cast<unsigned>(text[digits] - '0'), kMax + 1);
    ++digits;
  }
  if (digits == 0) return false;
  // Out of range never wraps into a usable port: it becomes a value every
  // connect refuses, and the failure message names it.
  if (number > kMax || (negative && number != 0)) number = kMax;
  value = static_cast<unsigned>(number);
  return true;
}

// The word as the error message shows it: control characters become '?', so
// the message stays one line and cannot drive the terminal it is printed on.
std::string Printable(std::string_view word) {
  std::string shown(word);
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return shown;
}

}  // namespace

CommandLine ScanHostAndPort(std::string_view text) {
  CommandLine result;
  text = SkipBlanks(text);
  std::size_t end = 0;
  while (end < text.size() && !IsBlank(text[end])) ++end;
  if (end == 0) return result;  // no word: no connection
  if (end > kMaxHostWord) {
    result.action = CommandLine::Action::Error;
    result.error = "host name longer than " + std::to_string(kMaxHostWord) + " characters";
    return result;
  }
  result.host = std::string(text.substr(0, end));
  unsigned port = 0;
  if (ScanUnsigned(text.substr(end), port)) result.port = port;
  return result;
}

CommandLine ParseCommandLine(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) {
    if (word.rfind("--", 0) == 0) {
      CommandLine result;
      if (word == "--help") {
        result.action = CommandLine::Action::Help;
      } else if (word == "--version") {
        result.action = CommandLine::Action::Version;
      } else {
        result.action = CommandLine::Action::Error;
        result.error = "unknown option '" + Printable(word) + "' (try --help)";
      }
      return result;
    }
    if (!text.empty()) text += ' ';
    text += word;
  }
  return ScanHostAndPort(text);
}

std::string UsageText() {
  return "Usage: corvane [HOST [PORT]]\n"
         "Telnet client with a VT100/ANSI terminal. Connects to HOST on PORT\n"
         "(23 when absent) at start; without HOST it opens unconnected.\n"
         "\n"
         "  --help     show this help and exit\n"
         "  --version  show the version and exit\n"
         "\n"
         "Settings are kept in $CORVANE_PROFILE when set, otherwise in\n"
         "$XDG_CONFIG_HOME/corvane/corvane.ini.\n";
}

std::string VersionText() { return "Corvane Version 2.0"; }
