#pragma once
// Named bytes of the receive path: the C0 controls the terminal acts on
// (ECMA-48 section 8.3) and the telnet commands and options it negotiates
// (RFC 854, 855; TERMINAL-TYPE RFC 1091; NAWS RFC 1073).

namespace ctl {
inline constexpr unsigned char kNul = 0x00;
inline constexpr unsigned char kBel = 0x07;
inline constexpr unsigned char kBs = 0x08;
inline constexpr unsigned char kHt = 0x09;
inline constexpr unsigned char kLf = 0x0A;
inline constexpr unsigned char kFf = 0x0C;
inline constexpr unsigned char kCr = 0x0D;
inline constexpr unsigned char kSo = 0x0E;  // shift out (ignored)
inline constexpr unsigned char kSi = 0x0F;  // shift in (ignored)
inline constexpr unsigned char kEsc = 0x1B;
}  // namespace ctl

namespace telnet {
// Commands (RFC 854).
inline constexpr unsigned char kSe = 240;   // end of subnegotiation
inline constexpr unsigned char kNop = 241;  // first of the commands without option byte ..
inline constexpr unsigned char kGa = 249;   // .. through go ahead
inline constexpr unsigned char kSb = 250;
inline constexpr unsigned char kWill = 251;
inline constexpr unsigned char kWont = 252;
inline constexpr unsigned char kDo = 253;
inline constexpr unsigned char kDont = 254;
inline constexpr unsigned char kIac = 255;
// Options.
inline constexpr unsigned char kBinary = 0;  // RFC 856
inline constexpr unsigned char kEcho = 1;
inline constexpr unsigned char kTerminalType = 24;
inline constexpr unsigned char kNaws = 31;
// TERMINAL-TYPE subnegotiation codes.
inline constexpr unsigned char kIs = 0;
inline constexpr unsigned char kSend = 1;
}  // namespace telnet
