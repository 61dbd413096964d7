#include "cmdline/CommandLine.h"

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

// A word from the command line as it may be shown in one line of an error:
// control characters become '?', and a very long word is cut.
std::string Shown(std::string_view word) {
  constexpr std::size_t kLongest = 100;
  std::string shown;
  for (const char c : word.substr(0, kLongest)) {
    const auto b = static_cast<unsigned char>(c);
    shown += (b < 0x20 || b == 0x7F) ? '?' : c;
  }
  if (word.size() > kLongest) shown += "...";
  return shown;
}

bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// "scheme:" at the start of a word, as in "telnet://host": letters first, then
// letters, digits, '+', '-' or '.'. The scheme's length, or 0 when there is none.
std::size_t SchemeLength(std::string_view word) {
  if (word.empty() || !IsAsciiAlpha(word[0])) return 0;
  std::size_t i = 1;
  while (i < word.size() && (IsAsciiAlpha(word[i]) || IsAsciiDigit(word[i]) || word[i] == '+' ||
                             word[i] == '-' || word[i] == '.'))
    ++i;
  return i < word.size() && word[i] == ':' ? i : 0;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// A link is taken as a link only when it names a scheme followed by "//"
// (telnet://...) or is "telnet:" itself; "fe80::1" or "host:23" stay host words.
bool LooksLikeUrl(std::string_view word) {
  const std::size_t scheme = SchemeLength(word);
  if (scheme == 0) return false;
  return word.substr(scheme).starts_with("://") ||
         EqualsIgnoringCase(word.substr(0, scheme), "telnet");
}

// A registered host name: letters, digits, '-', '.', '_', '~', and %XX escapes
// of printable characters. Empty when the name holds anything else.
std::string DecodeHostName(std::string_view text) {
  std::string host;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size() || !IsHexDigit(text[i + 1]) || !IsHexDigit(text[i + 2])) return {};
      c = static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
      if (c <= ' ' || c >= 0x7F || c == '/' || c == '@' || c == ':') return {};
    } else if (!IsAsciiAlpha(c) && !IsAsciiDigit(c) && c != '-' && c != '.' && c != '_' &&
               c != '~') {
      return {};
    }
    host += c;
  }
  return host;
}

// An IPv6 address between brackets: hex digits, ':' and the '.' of a trailing
// IPv4 part, at least one ':'. The socket layer judges the rest.
bool IsIpv6Literal(std::string_view text) {
  return text.find(':') != std::string_view::npos &&
         std::ranges::all_of(text, [](char c) { return IsHexDigit(c) || c == ':' || c == '.'; });
}

// telnet://[USER@]HOST[:PORT][/] into host and port; an error names what is wrong.
CommandLine ParseTelnetUrl(std::string_view url) {
  CommandLine result;
  auto refuse = [&](const std::string& why) {
    result = CommandLine{};
    result.action = CommandLine::Action::Error;
    result.error = "malformed link '" + Shown(url) + "': " + why;
    return result;
  };
  const std::size_t scheme = SchemeLength(url);
  if (!EqualsIgnoringCase(url.substr(0, scheme), "telnet"))
    return refuse("only telnet:// links can be opened");
  std::string_view rest = url.substr(scheme + 1);
  if (!rest.starts_with("//")) return refuse("expected telnet://HOST[:PORT]");
  rest.remove_prefix(2);
  // The authority ends at the path; only an empty path or "/" is meaningful.
  const std::size_t pathStart = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, pathStart);
  if (pathStart != std::string_view::npos && rest.substr(pathStart) != "/")
    return refuse("nothing may follow HOST[:PORT]/");
  // A user name (and password) is of no use to a telnet connection: dropped.
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
    authority.remove_prefix(at + 1);

  std::string_view portText;
  if (authority.starts_with('[')) {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos) return refuse("missing ']' after the IPv6 address");
    const std::string_view address = authority.substr(1, close - 1);
    if (!IsIpv6Literal(address)) return refuse("not an IPv6 address between '[' and ']'");
    result.host = std::string(address);
    std::string_view after = authority.substr(close + 1);
    if (!after.empty() && !after.starts_with(':')) return refuse("expected ':' after ']'");
    if (!after.empty()) portText = after.substr(1);
  } else {
    const std::size_t colon = authority.find(':');
    const std::string_view name = authority.substr(0, colon);
    if (name.empty()) return refuse("no host name");
    result.host = DecodeHostName(name);
    if (result.host.empty()) return refuse("the host name holds a character no host name has");
    if (colon != std::string_view::npos) portText = authority.substr(colon + 1);
  }
  if (result.host.size() > kMaxHostWord)
    return refuse("host name longer than " + std::to_string(kMaxHostWord) + " characters");
  // "host:" with nothing after the colon is the default port, as in any URL.
  if (!portText.empty()) {
    unsigned long port = 0;
    const bool digits = std::ranges::all_of(portText, IsAsciiDigit) && portText.size() <= 5;
    if (digits) port = std::stoul(std::string(portText));
    if (!digits || port < 1 || port > 65535)
      return refuse("the port must be a number from 1 to 65535");
    result.port = static_cast<unsigned>(port);
  }
  return result;
}

}  // namespace

CommandLine ScanHostAndPort(std::string_view text) {
  CommandLine result;
  text = SkipBlanks(text);
  std::size_t end = 0;
  while (end < text.size() && !IsBlank(text[end])) ++end;
  if (end == 0) return result;  // no word: no connection
  if (LooksLikeUrl(text.substr(0, end))) {
    // A link names its own port: a word after it would be ignored silently.
    if (!SkipBlanks(text.substr(end)).empty()) {
      result.action = CommandLine::Action::Error;
      result.error = "nothing may follow a telnet:// link on the command line";
      return result;
    }
    return ParseTelnetUrl(text.substr(0, end));
  }
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
  bool optionsEnded = false;
  for (const std::string& word : words) {
    // "--" ends the options, as in other Unix programs: what follows is HOST and PORT.
    if (!optionsEnded && word == "--") {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && word.rfind("--", 0) == 0) {
      CommandLine result;
      if (word == "--help") {
        result.action = CommandLine::Action::Help;
      } else if (word == "--version") {
        result.action = CommandLine::Action::Version;
      } else {
        result.action = CommandLine::Action::Error;
        result.error = "unknown option '" + Shown(word) + "' (try --help)";
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
         "       corvane telnet://[USER@]HOST[:PORT][/]\n"
         "Telnet client with a VT100/ANSI terminal. Connects to HOST on PORT\n"
         "(23 when absent) at start; without HOST it opens unconnected.\n"
         "A telnet:// link connects the same way; its user name is ignored,\n"
         "and an IPv6 address is written in brackets: telnet://[::1]:2323/\n"
         "\n"
         "  --help     show this help and exit\n"
         "  --version  show the version and exit\n"
         "  --         end of the options: the words after it are HOST and PORT\n"
         "\n"
         "Settings are kept in $CORVANE_PROFILE when set, otherwise in\n"
         "$XDG_CONFIG_HOME/corvane/corvane.ini.\n";
}

// The number comes from the build (project version), so it has one home.
#ifndef CORVANE_VERSION
#error "the build defines CORVANE_VERSION"
#endif
std::string VersionText() { return "Corvane Version " CORVANE_VERSION; }
