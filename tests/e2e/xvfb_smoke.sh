#!/usr/bin/env bash
# A real window under Xvfb: the program connects to the loopback host given on
# its command line, the host's text is painted, and a screenshot is kept.
set -euo pipefail
CORVANE=$1 HOST_SCRIPT=$2 WORK=$3 SHOT=$4
source "$(dirname "$0")/common.sh"

for tool in Xvfb xdotool import convert; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

rm -rf "$WORK" && mkdir -p "$WORK/runtime" && chmod 700 "$WORK/runtime"
rm -f "$SHOT"

# Xvfb picks a free display itself and tells us its number.
Xvfb -displayfd 3 -screen 0 1024x768x24 -br -nolisten tcp 3>"$WORK/display" 2>"$WORK/xvfb.log" &
pids+=($!)
wait_for 10 test -s "$WORK/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$WORK/display")"

start_host "$WORK" --hold 30 --log "$WORK/client.bin"

unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$WORK/runtime" CORVANE_PROFILE="$WORK/corvane.ini"
"$CORVANE" 127.0.0.1 "$host_port" 2>"$WORK/corvane.log" &
corvane_pid=$!
pids+=($corvane_pid)

title="127.0.0.1:$host_port - Corvane"
wait_for 15 xdotool search --name "^$title\$" >/dev/null || fail "no window titled '$title'"
wait_for 10 grep -q 'vt100' "$WORK/client.bin" || fail "the terminal-type answer did not arrive"
sleep 1  # let the received text be painted
import -window root "$SHOT"
kill -0 "$corvane_pid" || fail "corvane ended early"

# The bold yellow line is painted in palette colour 11 (255, 255, 0).
yellow=$(convert "$SHOT" -fill black +opaque 'rgb(255,255,0)' -fill white -opaque 'rgb(255,255,0)' \
  -format '%[fx:mean*w*h]' info:)
awk -v n="$yellow" 'BEGIN { exit !(n > 50) }' || fail "no yellow text on the screenshot ($yellow pixels)"
echo "PASS: window '$title' shows the host's text ($yellow yellow pixels); screenshot $SHOT"
