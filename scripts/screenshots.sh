#!/usr/bin/env bash
# Makes the README's screenshots: the demo under a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$root/docs"
env -u DISPLAY -u WAYLAND_DISPLAY CORVANE_DEMO_SCREENSHOT="$root/docs/screenshot-session.png" \
  bash "$root/scripts/demo.sh"
