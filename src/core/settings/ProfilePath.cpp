#include "settings/ProfilePath.h"

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "corvane.ini";

const char* NonEmpty(const char* value) {
  return value != nullptr && *value != '\0' ? value : nullptr;
}

#ifdef _WIN32
fs::path BesideExecutable() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return kFileName;
    if (length < buffer.size()) {
      buffer.resize(length);
      return fs::path(buffer).parent_path() / kFileName;
    }
    buffer.resize(buffer.size() * 2);
  }
}
#endif

}  // namespace

fs::path ProfilePathFrom(const EnvironmentLookup& lookup) {
  if (const char* explicit_path = NonEmpty(lookup("CORVANE_PROFILE"))) return explicit_path;
#ifdef _WIN32
  return BesideExecutable();
#else
  // A relative XDG_CONFIG_HOME is invalid by the XDG rules and is ignored.
  if (const char* config = NonEmpty(lookup("XDG_CONFIG_HOME"));
      config && fs::path(config).is_absolute())
    return fs::path(config) / "corvane" / kFileName;
  if (const char* home = NonEmpty(lookup("HOME")))
    return fs::path(home) / ".config" / "corvane" / kFileName;
  return kFileName;
#endif
}

fs::path DefaultProfilePath() {
  return ProfilePathFrom([](const char* name) { return std::getenv(name); });
}
