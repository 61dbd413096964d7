#!/usr/bin/env bash
# Builds the Debian package of Corvane: a Release build without tests in
# build-package/ of this checkout, then CPack. Prints the path of the .deb.
#   scripts/package.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build-package}
bash "$root/scripts/install-deps.sh"

# Debian's own compiler and linker flags, hardening included (stack
# protector, fortified functions, read-only relocations bound at start).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# No debug information: CPack strips the packaged programs, which would throw
# it away after it had taken about a quarter of the compile time.
export DEB_CXXFLAGS_MAINT_STRIP=-g
eval "$(dpkg-buildflags --export=sh)"
# The package preset: Release, no tests, warnings as errors.
(cd "$root" && cmake --preset package -B "$dir" \
  "-DCMAKE_CXX_FLAGS=$CPPFLAGS $CXXFLAGS" "-DCMAKE_EXE_LINKER_FLAGS=$LDFLAGS" >/dev/null)
cmake --build "$dir" -j "$(nproc)" >&2
rm -f "$dir"/corvane_*.deb
cmake --build "$dir" --target package >/dev/null
ls "$dir"/corvane_*.deb
