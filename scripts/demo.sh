#!/usr/bin/env bash
# The demo: a real telnet server with a shell on loopback, and Corvane connected
# to it. The server stops when Corvane exits. Without a display, the demo runs
# under a virtual display, types a few commands itself and saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target corvane >/dev/null

work=$(mktemp -d)
pids=()
cleanup() {
  local i  # last started first: Corvane, then the display, then the server
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -- "-${pids[i]}" 2>/dev/null || kill "${pids[i]}" 2>/dev/null || true
  done
  [ -n "${CORVANE_DEMO_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

# The server runs in a process group of its own (it calls setsid): one kill stops it all.
python3 "$root/tools/loopback_telnet_server.py" --kind inetutils \
  --program "$root/tools/demo_shell.sh" > "$work/port" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(head -n 1 "$work/port")
export CORVANE_PROFILE="$work/corvane.ini"   # the demo never touches your settings

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Corvane is connected to a demo shell on 127.0.0.1:$port; close Corvane to end the demo."
  "$root/build/corvane" 127.0.0.1 "$port"
  exit 0
fi

echo "No display: running the demo under a virtual display (Xvfb) and saving a screenshot."
Xvfb :97 -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=:97
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
export XDG_RUNTIME_DIR="$work/runtime"; mkdir -m 700 "$XDG_RUNTIME_DIR"
"$root/build/corvane" 127.0.0.1 "$port" > "$work/corvane.log" 2>&1 &
pids+=($!)
window=""
for _ in $(seq 100); do
  window=$(xdotool search --name "127.0.0.1:$port" 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "Corvane's window did not appear"; exit 1; }
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 1
for command in "echo Hello from Corvane" "stty size; echo \$TERM" "ls -l /etc/hostname /etc/os-release" \
               "printf '\\033[1;33mbold yellow\\033[m \\033[44m on blue \\033[m\\n'"; do
  xdotool type --window "$window" --delay 20 "$command"
  xdotool key --window "$window" Return
  sleep 0.5
done
shot="${CORVANE_DEMO_SCREENSHOT:-$PWD/corvane-demo.png}"
import -window "$window" "$shot"
echo "Screenshot: $shot"
