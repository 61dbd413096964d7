#pragma once
// The program's command line: "corvane [HOST [PORT]]" plus a few "--" options.
//
// The words after the options are joined with blanks and scanned as "%s %u":
// the first word is the host, a readable unsigned number after it replaces the
// default port 23, and anything further is ignored.
//
// A first word that is a link, "telnet://[USER@]HOST[:PORT][/]" (HOST may be
// "[IPv6]"), gives the host and port instead (23 when absent; the user is
// ignored). A malformed link, another scheme or a word after the link is an
// error: a link is never taken for a host name.
#include <string>
#include <string_view>
#include <vector>

inline constexpr unsigned kCommandLineDefaultPort = 23;
// Longest host word accepted; a longer one is refused rather than cut, because
// a cut name would quietly reach another host.
inline constexpr std::size_t kMaxHostWord = 999;

struct CommandLine {
  enum class Action {
    Run,      // start the program (connect when host is not empty)
    Help,     // print UsageText() and exit 0
    Version,  // print VersionText() and exit 0
    Error,    // print error on stderr and exit 2
  };
  Action action = Action::Run;
  std::string host;  // empty: no connection at start
  unsigned port = kCommandLineDefaultPort;
  std::string error;  // one line, for Action::Error
};

// Scans the raw text after the program name as "%s %u". A port word that
// holds no digits leaves port 23; a number too large for an unsigned, or one
// with a minus sign, becomes the largest unsigned, which no connect accepts.
CommandLine ScanHostAndPort(std::string_view text);

// Reads the argument words (program name excluded). Words beginning with "--"
// are options wherever they stand before a word "--", which ends the options:
// the first option decides --help, --version or an error; the other words are
// joined with blanks and scanned as above.
CommandLine ParseCommandLine(const std::vector<std::string>& words);

std::string UsageText();    // several lines, ends with a line feed
std::string VersionText();  // "Corvane Version 2.0"
