#!/usr/bin/env bash
# A real window under Xvfb: the program connects to the loopback host given on
# its command line, the host's text is painted, and a screenshot is kept.
set -euo pipefail
CORVANE=$1 HOST_SCRIPT=$2 WORK=$3 SHOT=$4
source "$(dirname "$0")/../desktop/lib.sh"

desktop_need Xvfb xdotool import convert
rm -f "$SHOT"
desktop_start_x 1024x768x24
start_host "$WORK" --hold 30 --log "$WORK/client.bin"
desktop_start_corvane 127.0.0.1 "$host_port"

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
