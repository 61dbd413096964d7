#pragma once
// Where the settings file lives when nothing else is said.
#include <filesystem>
#include <functional>

// Looks up an environment variable; null when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// $CORVANE_PROFILE when set and non-empty; otherwise on Windows "corvane.ini" beside the
// executable, elsewhere $XDG_CONFIG_HOME/corvane/corvane.ini, falling back to
// $HOME/.config/corvane/corvane.ini (and to "corvane.ini" in the working directory
// when neither is usable).
std::filesystem::path ProfilePathFrom(const EnvironmentLookup& lookup);

// ProfilePathFrom the process environment.
std::filesystem::path DefaultProfilePath();
