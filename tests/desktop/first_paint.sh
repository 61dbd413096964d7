#!/usr/bin/env bash
# The first screen of a login is painted every time: a recorded login
# (negotiation, then the prompt within 90 ms) is replayed to the real program
# RUNS times while both cores are busy, and each time the prompt's pixels
# must appear on the window without the host sending anything more.
set -euo pipefail
CORVANE=$1 STREAM=$2 WORK=$3 RUNS=${4:-30}
source "$(dirname "$0")/lib.sh"
desktop_need Xvfb openbox xdotool xprop import convert

desktop_start_x
desktop_start_wm
# Each run meets the start at another moment: the host begins 0 to 290 ms late.
desktop_start_host "$STREAM" --delays "$(seq -s, 0 0.01 0.29)"
# Pure green text on black, underline cursor: green pixels beyond one cell's
# width can only be the prompt's glyphs.
write_profile() {
  cat >"$WORK/corvane.ini" <<'INI'
[Options]
SaveWinPosition=0
BlockCursor=0
[Color]
ForegroundR=0
ForegroundG=255
ForegroundB=0
INI
}

green_pixels() {
  convert "$1" -fuzz 40% -fill white -opaque 'rgb(0,255,0)' -fill black +opaque white -format '%[fx:mean*w*h]' info:
}

prompt_painted() {
  desktop_screenshot "$WORK/shot.png" || return 1
  awk -v n="$(green_pixels "$WORK/shot.png")" -v cell="$cell_width" 'BEGIN { exit !(n > 3 * cell) }'
}

desktop_start_load
failed=0
for ((run = 1; run <= RUNS; run++)); do
  write_profile
  desktop_start_corvane 127.0.0.1 "$host_port"
  read -r cell_width _ <<<"$(desktop_size_hints)"
  [ "$cell_width" -gt 0 ] || cell_width=8
  if ! wait_for 5 prompt_painted; then
    failed=$((failed + 1))
    cp "$WORK/shot.png" "$WORK/unpainted-$run.png"
    echo "run $run: the prompt was not painted ($(green_pixels "$WORK/shot.png") green pixels)"
  fi
  desktop_stop_corvane
done
desktop_stop_load
[ $failed -eq 0 ] || fail "the first screen stayed unpainted in $failed of $RUNS runs"
echo "PASS: the prompt was painted in all $RUNS runs"
