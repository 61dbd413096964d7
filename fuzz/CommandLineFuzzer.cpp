// libFuzzer target: the command-line scanner and the port field check.
//
// Input: the argument words, separated by NUL bytes as in a real argument vector
// (any count, any length, any other bytes). Checked:
//  - the outcome is one of the documented ones: run (no host, or a host word of
//    1..kMaxHostWord characters without blanks, and a port), help, version, or
//    refused with a one-line error (the program then exits with 2); help and
//    version only when asked for by the first option word;
//  - every word, and the whole input, through the port field check: accepted
//    exactly when it is decimal digits (blanks around them allowed) worth at most
//    65535, and an accepted port reads back the same from its own text.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cmdline/CommandLine.h"
#include "cmdline/PortText.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view input) {
  std::fprintf(stderr, "command line: %s (input of %zu bytes)\n", what, input.size());
  std::abort();
}

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

void CheckPortText(std::string_view text) {
  const PortTextResult result = ParsePortText(text);
  std::string_view digits = text;
  while (!digits.empty() && (digits.front() == ' ' || digits.front() == '\t'))
    digits.remove_prefix(1);
  while (!digits.empty() && (digits.back() == ' ' || digits.back() == '\t'))
    digits.remove_suffix(1);
  const bool allDigits = !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) {
    return c >= '0' && c <= '9';
  });
  std::string_view significant =
      digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
  const bool inRange =
      significant.size() < 5 || (significant.size() == 5 && significant <= "65535");
  if (result.ok != (allDigits && inRange)) Fail("port text accepted or refused wrongly", text);
  if (result.ok) {
    if (result.port > kMaxTcpPort || !result.message.empty())
      Fail("accepted port out of range", text);
    const PortTextResult again = ParsePortText(PortText(result.port));
    if (!again.ok || again.port != result.port)
      Fail("a port does not read back from its text", text);
  } else if (result.message != kPortNotANumberMessage && result.message != kPortOutOfRangeMessage) {
    Fail("refused port without its message", text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> words;
  for (std::size_t at = 0; at <= input.size();) {
    const std::size_t end = std::min(input.find('\0', at), input.size());
    words.emplace_back(input.substr(at, end - at));
    at = end + 1;
  }
  if (size == 0) words.clear();  // also an empty argument vector

  const CommandLine line = ParseCommandLine(words);
  // The first "--" ends the options; the words after it are all operands.
  const auto endOfOptions = std::find(words.begin(), words.end(), std::string("--"));
  const auto option = std::find_if(words.begin(), endOfOptions,
                                   [](const std::string& w) { return w.rfind("--", 0) == 0; });
  std::vector<std::string> operands(words.begin(), endOfOptions);
  if (endOfOptions != words.end()) operands.insert(operands.end(), endOfOptions + 1, words.end());
  switch (line.action) {
    case CommandLine::Action::Help:
      if (option == endOfOptions || *option != "--help") Fail("help not asked for", input);
      break;
    case CommandLine::Action::Version:
      if (option == endOfOptions || *option != "--version") Fail("version not asked for", input);
      break;
    case CommandLine::Action::Error:
      if (line.error.empty()) Fail("refused without a message", input);
      if (line.error.find_first_of("\r\n") != std::string::npos)
        Fail("error of several lines", input);
      if (option != endOfOptions && (*option == "--help" || *option == "--version"))
        Fail("help or version refused", input);
      break;
    case CommandLine::Action::Run: {
      if (option != endOfOptions) Fail("an option ignored", input);
      const bool anyWord = std::any_of(operands.begin(), operands.end(), [](const std::string& w) {
        return !std::all_of(w.begin(), w.end(), IsBlank);
      });
      if (line.host.empty() != !anyWord) Fail("host present without a word, or missing", input);
      if (line.host.size() > kMaxHostWord) Fail("host word longer than allowed", input);
      if (std::any_of(line.host.begin(), line.host.end(), IsBlank))
        Fail("blank in the host", input);
      if (line.host.empty() && line.port != kCommandLineDefaultPort)
        Fail("port without host", input);
      break;
    }
    default:
      Fail("an outcome that is none of the documented ones", input);
  }

  for (const std::string& word : words) CheckPortText(word);
  CheckPortText(input);
  return 0;
}
