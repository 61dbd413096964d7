#pragma once
// The port field of the Open Connection dialog: an unsigned decimal TCP port.
// A value above 65535 is refused here rather than passed on, because a socket
// layer that keeps only the low 16 bits would quietly reach another port.
#include <string>
#include <string_view>

inline constexpr unsigned kMaxTcpPort = 65535;

// Refusal texts, worded like the other dialogs' field checks.
inline constexpr const char* kPortNotANumberMessage = "Please enter an integer.";
inline constexpr const char* kPortOutOfRangeMessage =
    "Please enter an integer between 0 and 65535.";

struct PortTextResult {
  bool ok = false;
  unsigned port = 0;    // the port when ok
  std::string message;  // what to tell the user when not ok
};

// Accepts decimal digits with optional surrounding blanks (spaces, tabs);
// no sign, no other characters. 0 is accepted: the connect then fails and
// says so. Above 65535 (however many digits) is refused as out of range.
PortTextResult ParsePortText(std::string_view text);

// The port as the field shows it ("%u").
std::string PortText(unsigned port);
