#include "cmdline/PortText.h"

#include <charconv>
#include <system_error>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

PortTextResult ParsePortText(std::string_view text) {
  const std::string_view digits = TrimBlanks(text);
  const bool allDigits =
      !digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos;
  if (!allDigits) return {false, 0, kPortNotANumberMessage};

  unsigned long long value = 0;
  // Every character is a digit, so the only possible failure is overflow.
  const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (parsed.ec == std::errc::result_out_of_range || value > kMaxTcpPort) {
    return {false, 0, kPortOutOfRangeMessage};
  }
  return {true, static_cast<unsigned>(value), {}};
}

std::string PortText(unsigned port) { return std::to_string(port); }
