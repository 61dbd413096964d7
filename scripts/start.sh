#!/usr/bin/env bash
# Builds Corvane and starts it: scripts/start.sh [HOST [PORT]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target corvane screendump
exec "$root/build/corvane" "$@"
