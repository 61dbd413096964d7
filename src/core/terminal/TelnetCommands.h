#pragma once
// The telnet layer's part outside the session: user data on the connection,
// what the keyboard, macros, paste and send-selection hand to the host.
#include <string>
#include <string_view>

// Every data byte 255 doubled: on the wire a lone 255 is IAC, the start of a
// telnet command, so the host would swallow it and what follows (RFC 854).
std::string DoubleIac(std::string_view data);
