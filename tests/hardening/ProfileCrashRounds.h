#pragma once
// The values the profile writer stores in round n (shared by the writer and the
// test that kills it, which must recognise every one of them).
#include <string>

// Long enough that the file is written in more than one piece, and of a length
// that changes from round to round.
inline std::string CrashText(int n) {
  return "round " + std::to_string(n) + " " +
         std::string(static_cast<std::size_t>(100 + n % 37), 'x');
}
