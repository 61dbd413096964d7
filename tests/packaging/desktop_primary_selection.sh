#!/usr/bin/env bash
# The real program under Xvfb with openbox, opened on a telnet:// link to a
# loopback host: a drag over the host's text makes it the X primary
# selection, which another program (xclip) reads, and leaves the clipboard
# alone.
#   desktop_primary_selection.sh CORVANE HOST_SCRIPT DESKTOP_LIB WORK
set -euo pipefail
CORVANE=$1 HOST_SCRIPT=$2 WORK=$4
source "$3"
desktop_need Xvfb openbox xdotool xclip python3

desktop_start_x
desktop_start_wm
start_host "$WORK" --hold 60
desktop_start_corvane "telnet://user@127.0.0.1:$host_port/"
title="127.0.0.1:$host_port - Corvane"
wait_for 15 sh -c "xdotool getwindowname $corvane_win | grep -qxF '$title'" ||
  fail "the link did not connect: title '$(xdotool getwindowname "$corvane_win")'"
sleep 1  # the host's screen arrives and is painted

# From the middle of the window up and past the top-left corner: the
# selection runs from the first cell of the screen to the middle row.
read -r width height < <(desktop_client_size)
xdotool mousemove --window "$corvane_win" $((width / 2)) $((height * 2 / 3)) mousedown 1
for step in 4 3 2 1 0; do
  xdotool mousemove --window "$corvane_win" $((width * step / 10 + 1)) $((height * step / 6 + 1))
  sleep 0.1
done
xdotool mouseup 1

wait_for 5 sh -c 'xclip -o -selection primary 2>/dev/null | grep -q "Corvane end-to-end test host"' ||
  fail "the primary selection holds '$(xclip -o -selection primary 2>&1 | head -c 200)'"
xclip -o -selection primary | grep -q 'Bold yellow on black' || fail "the selection stops early"
if clip=$(xclip -o -selection clipboard 2>/dev/null) && [ -n "$clip" ]; then
  fail "selecting changed the clipboard to '$clip'"
fi
echo "PASS: a drag in corvane (opened on a telnet:// link) is the primary selection"
