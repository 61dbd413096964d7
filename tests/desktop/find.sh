#!/usr/bin/env bash
# The find bar in a real window: Ctrl+Shift+F opens it, typed text goes to it
# (not to the host), matches are marked, Shift+F3 scrolls back to the one in
# the history, Escape closes it. The window grows by the bar and shrinks back;
# the screen keeps its size and the host is told no other.
set -euo pipefail
CORVANE=$1 WORK=$2
source "$(dirname "$0")/lib.sh"
desktop_need Xvfb openbox xdotool xprop xwininfo import convert

desktop_start_x 1280x1024x24
desktop_start_wm
# The host agrees to NAWS, then one "needle" scrolls into the history and one
# stays on the screen.
mkdir -p "$WORK/stream"
{
  printf '\377\375\037needle one\r\n'
  for i in $(seq 1 40); do printf 'hay %d\r\n' "$i"; done
  printf 'needle two'
} >"$WORK/stream/find.s2c"
desktop_start_host "$WORK/stream/find.s2c"
cat >"$WORK/corvane.ini" <<'INI'
[Options]
SaveWinPosition=0
INI
desktop_start_corvane 127.0.0.1 "$host_port"
client="$WORK/host/client-1.bin"
wait_for 10 test -s "$client" || fail "corvane did not answer the host"
sleep 0.5
before=$(stat -c %s "$client")
read -r width height <<<"$(desktop_client_size)"

# Pixels of the current match's orange (the other matches are yellow).
orange_pixels() {
  desktop_screenshot "$WORK/shot.png"
  convert "$WORK/shot.png" -alpha off -fuzz 10% -fill black +opaque 'rgb(255,140,0)' \
    -fill white -opaque 'rgb(255,140,0)' -format '%[fx:mean*w*h]' info:
}
some_orange() { awk -v n="$(orange_pixels)" 'BEGIN { exit !(n > 20) }'; }
bar_height() { read -r _ h <<<"$(desktop_client_size)"; echo $((h - height)); }
bar_shown() { [ "$(bar_height)" -gt 10 ]; }
bar_gone() { [ "$(bar_height)" -eq 0 ]; }

xdotool windowactivate --sync "$corvane_win" key ctrl+shift+f
wait_for 5 bar_shown || fail "the window did not grow by the find bar"
sleep 0.3
xdotool type --delay 30 needle
wait_for 5 some_orange || fail "no current match is marked ($(orange_pixels) orange pixels)"
desktop_screenshot "$WORK/live.png"
xdotool key shift+F3
sleep 0.5
wait_for 5 some_orange || fail "the match in the history is not shown"
desktop_screenshot "$WORK/history.png"
cmp -s "$WORK/live.png" "$WORK/history.png" && fail "Shift+F3 did not move the view"
read -r w _ <<<"$(desktop_client_size)"
[ "$w" = "$width" ] || fail "the window's width changed from $width to $w"

xdotool key Escape
wait_for 5 bar_gone || fail "the window kept $(bar_height) pixels of the closed bar"
sleep 0.5
some_orange && fail "a match is still marked after Escape"
after=$(stat -c %s "$client")
[ "$after" = "$before" ] ||
  fail "the host received $((after - before)) bytes: $(tail -c +$((before + 1)) "$client" | od -An -c | head -3)"
reports=$(desktop_naws_reports "$client" | tr '\n' ' ')
[ "$reports" = "80x24 " ] || fail "the host was told other sizes: $reports"
echo "PASS: find bar types, steps with Shift+F3 and closes with Escape"
