#!/usr/bin/env bash
# Window-manager drags of the frame's corner: after each drag the window is
# exactly the fitted size of the screen it shows, the sizes reported to the
# host (NAWS) during a one-way drag only move one way, and the last one
# reported is the one shown. The cell and the window's own parts are read
# from the size hints the program gives the window manager.
set -euo pipefail
CORVANE=$1 STREAM=$2 WORK=$3
source "$(dirname "$0")/lib.sh"
desktop_need Xvfb openbox xdotool xprop xwininfo

desktop_start_x
desktop_start_wm
desktop_start_host "$STREAM"
printf '[Options]\nSaveWinPosition=0\n[Screen]\nWinPosX=40\nWinPosY=40\n' >"$WORK/corvane.ini"
desktop_start_corvane 127.0.0.1 "$host_port"
log="$WORK/host/client-1.bin"
size_reported() { [ -n "$(desktop_naws_reports "$log")" ]; }
wait_for 10 size_reported || fail "no window size was reported"

read -r inc_w inc_h base_w base_h <<<"$(desktop_size_hints)"
[ "$inc_w" -gt 1 ] && [ "$inc_h" -gt 1 ] || fail "the window declares no cell increment ($inc_w x $inc_h)"

# The window is fitted when its client area is the base plus whole cells;
# prints the screen that size shows, "COLSxROWS".
fitted_screen() {
  local w h
  read -r w h <<<"$(desktop_client_size)"
  (( (w - base_w) % inc_w == 0 && (h - base_h) % inc_h == 0 )) || {
    echo "unfitted ${w}x${h}"
    return
  }
  echo "$(( (w - base_w) / inc_w ))x$(( (h - base_h) / inc_h ))"
}

# The pointer on the bottom-right corner of the window manager's frame.
corner() {
  local left right top bottom
  read -r left right top bottom <<<"$(xprop -id "$corvane_win" _NET_FRAME_EXTENTS |
    sed 's/.*= //; s/,//g')"
  xwininfo -id "$corvane_win" | awk -v r="$right" -v b="$bottom" '
    /Absolute upper-left X:/ { x = $NF } /Absolute upper-left Y:/ { y = $NF }
    /^  Width:/ { w = $2 } /^  Height:/ { h = $2 }
    END { print x + w + r - 2, y + h + b - 2 }'
}

# direction  steps  dx  dy   (pixels per step)
drags=(
  "grow      10     7   11"
  "shrink    10    -9   -5"
  "grow      12     5    0"
  "shrink     8     0   -9"
  "grow       6    23   17"
)
problems=()
for row in "${drags[@]}"; do
  read -r direction steps dx dy <<<"$row"
  before=$(desktop_naws_reports "$log" | wc -l)
  read -r px py <<<"$(corner)"
  xdotool mousemove "$px" "$py" mousedown 1
  for ((i = 1; i <= steps; i++)); do
    xdotool mousemove "$((px + i * dx))" "$((py + i * dy))"
    sleep 0.05
  done
  xdotool mouseup 1
  sleep 1  # the drag's last size notifications and the fit after it
  reports=$(desktop_naws_reports "$log" | tail -n +"$((before + 1))")
  shown=$(fitted_screen)
  last=$(tail -n1 <<<"$reports")
  # One-way drag: no report goes back against the drag's direction.
  monotonic=$(awk -F x -v dir="$direction" '
    NR > 1 { if (dir == "grow" && ($1 < c || $2 < r)) bad = 1
             if (dir == "shrink" && ($1 > c || $2 > r)) bad = 1 }
    { c = $1; r = $2 } END { print bad ? "no" : "yes" }' <<<"$reports")
  echo "drag '$row': reported $(tr '\n' ' ' <<<"$reports")-> shown $shown"
  [[ $shown == unfitted* ]] && problems+=("'$row': window not fitted ($shown)")
  [ -n "$reports" ] || problems+=("'$row': no size reported")
  [ "$monotonic" = yes ] || problems+=("'$row': reports went back and forth")
  [ -z "$reports" ] || [ "$last" = "$shown" ] || problems+=("'$row': last reported $last, shown $shown")
done
[ ${#problems[@]} -eq 0 ] || fail "$(printf '%s; ' "${problems[@]}")"
echo "PASS: ${#drags[@]} drags ended fitted, with one-way reports ending at the shown size"
