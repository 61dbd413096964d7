#!/usr/bin/env bash
# A screen wider than the display can be seen whole: a 255-column screen on a
# 1280-pixel display keeps its window within the display, shows a horizontal
# scroll bar, and paging that bar brings the screen's right end into view
# without asking the host for another size.
set -euo pipefail
CORVANE=$1 WORK=$2
source "$(dirname "$0")/lib.sh"
desktop_need Xvfb openbox xdotool xprop xwininfo import convert

desktop_start_x 1280x1024x24
desktop_start_wm
# The host agrees to NAWS, then writes 15 cells at the right end of row 1.
mkdir -p "$WORK/stream"
printf '\377\375\037\033[2J\033[1;241H###############' >"$WORK/stream/wide.s2c"
desktop_start_host "$WORK/stream/wide.s2c"
# Green text on black: green pixels can only be the cells at the right end
# (and the cursor beside them).
cat >"$WORK/corvane.ini" <<'INI'
[Options]
SaveWinPosition=0
[Screen]
Width=255
Height=24
[Color]
ForegroundR=0
ForegroundG=255
ForegroundB=0
INI
desktop_start_corvane 127.0.0.1 "$host_port"
wait_for 10 test -s "$WORK/host/client-1.bin" || fail "corvane did not answer the host"
sleep 1

green_pixels() {
  desktop_screenshot "$WORK/shot.png"
  convert "$WORK/shot.png" -alpha off -gravity NorthEast -crop 200x60+0+0 +repage -fx '(g > 0.6 && r < 0.4 && b < 0.4) ? 1 : 0' \
    -format '%[fx:mean*w*h]' info:
}
right_end_shown() { awk -v n="$(green_pixels)" 'BEGIN { exit !(n > 20) }'; }

read -r width height <<<"$(desktop_client_size)"
[ "$width" -le 1280 ] || fail "the window is $width pixels wide, wider than the display"
right_end_shown && fail "the right end is shown before any pan: the screen is not clipped"

# Page the bar to its right end: clicks along the right edge of the window's
# bottom strip (the bar lies between the terminal and the status bar; a
# click on either of those does nothing here).
for ((y = height - 60; y < height; y += 4)); do
  xdotool mousemove --window "$corvane_win" $((width - 40)) "$y" click 1
done
wait_for 5 right_end_shown || fail "paging the scroll bar never showed the right end ($(green_pixels) green pixels)"
desktop_screenshot "$WORK/panned.png"

reports=$(desktop_naws_reports "$WORK/host/client-1.bin" | tr '\n' ' ')
[ "$reports" = "255x24 " ] || fail "the pan changed the size the host was told: $reports"
echo "PASS: a 255-column screen is panned into view"
