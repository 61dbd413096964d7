#!/usr/bin/env bash
# Builds Corvane and starts it: scripts/start.sh [HOST [PORT]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target corvane screendump
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to show Corvane's window on; scripts/demo.sh runs a demo under a virtual display."
  exit 1
fi
exec "$root/build/corvane" "$@"
