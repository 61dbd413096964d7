#pragma once
// The escaped byte notation of the stream test files:
//   \e ESC  \r CR  \n LF  \t TAB  \b BS  \a BEL  \f FF  \v VT  \0 NUL  \xHH any byte  \\ backslash
//   \{ a literal brace; {IAC} {WILL} {WONT} {DO} {DONT} {SB} {SE} {NOP} {GA}
//   {ECHO} {SGA} {TTYPE} {NAWS} {IS} {SEND} telnet bytes; {N*text} text repeated N times.
#include <stdexcept>
#include <string>

std::string Unescape(const std::string& text);
std::string Escape(const std::string& bytes);  // readable form for failure messages
