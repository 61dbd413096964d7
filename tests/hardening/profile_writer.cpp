// Writes settings through the INI store, for tests that kill it or starve it.
//
//   profile_writer PATH                 writes for ever (until killed)
//   profile_writer PATH --once          one round of writes, then exits
//   profile_writer PATH --fsize BYTES   one round with files limited to BYTES
//
// A round continues from the number n stored in "Crash"/"Counter" and writes, in
// this order: "Crash"/"Counter" = n+1, "Crash"/"Text" = CrashText(n+1),
// "Crash"/"Echo" = n+1. Whatever moment the process dies at, a reader must find
// each key holding the value of the last round or of the one before it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ProfileCrashRounds.h"
#include "settings/IniProfile.h"

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

namespace {

bool WriteRound(IniProfile& profile) {
  const int n = profile.GetInt("Crash", "Counter", 0) + 1;
  profile.WriteInt("Crash", "Counter", n);
  profile.WriteString("Crash", "Text", CrashText(n));
  profile.WriteInt("Crash", "Echo", n);
  // In memory every write holds, whether or not it reached the disk.
  return profile.GetInt("Crash", "Echo", 0) == n &&
         profile.GetString("Crash", "Text") == CrashText(n);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PATH [--once | --fsize BYTES]\n", argv[0]);
    return 2;
  }
  IniProfile profile(argv[1]);
  const std::string mode = argc > 2 ? argv[2] : "";
  if (mode == "--once") return WriteRound(profile) ? 0 : 1;
  if (mode == "--fsize" && argc > 3) {
#ifndef _WIN32
    // Writing past the limit fails with EFBIG instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlim_t limit = std::strtoull(argv[3], nullptr, 10);
    const rlimit fsize{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &fsize) != 0) return 3;
#endif
    return WriteRound(profile) ? 0 : 1;
  }
  for (;;) WriteRound(profile);
}
