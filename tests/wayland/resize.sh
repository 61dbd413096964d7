#!/usr/bin/env bash
# Resizes on sway, tiled and floating.
# Tiled: the window opens floating, corvane offers NAWS when the host's first
# command arrives, and the window is then tiled while the offer is unanswered
# (which must not offer again);
# the host asks for the size (DO NAWS) a moment later, as telnetd does after
# the terminal type. The screen must take the tile's size: the one a re-tile
# reports once NAWS is running, not the 80x24 it had before the tile.
# Floating: sway sets sizes of a floating window; after each the window is
# fitted to the size last reported to the host, with the same cell and the
# same frame parts every time.
set -euo pipefail
CORVANE=$1 WORK=$2
source "$(dirname "$0")/lib.sh"
wayland_need

wayland_start_sway 'for_window [app_id="corvane"] floating enable'
start_host "$WORK" --hold 60 --log "$WORK/client.bin" --do-naws-after 2.5
log=$WORK/client.bin
wayland_start_corvane 127.0.0.1 "$host_port"
# IAC WILL NAWS: the offer is out and the host has not answered it.
offered() { od -An -tx1 -v "$log" 2>/dev/null | tr -d '\n' | grep -q 'ff fb 1f'; }
wait_for 10 offered || fail "corvane did not offer NAWS"
[ -z "$(desktop_naws_reports "$log")" ] || fail "a size was reported before the host asked for it"
reports() { desktop_naws_reports "$log" | tr '\n' ' '; }
last_report() { desktop_naws_reports "$log" | tail -n1; }
reported_since() { [ "$(last_report)" != "$1" ]; }
swaymsg "[pid=$corvane_pid] floating disable" >/dev/null
wait_for 10 reported_since "" || fail "no size was reported after DO NAWS"
wayland_settle
sleep 0.5
tiled=$(last_report)
echo "tiled while the offer was unanswered; reported after DO NAWS: $(reports)"

problems=()
# The tile changed nothing on the wire before DO NAWS: one offer, no report.
offers=$(od -An -tx1 -v "$log" | tr -d '\n' | sed 's/ ff fa 1f .*//' | grep -o 'ff fb 1f' | wc -l)
[ "$offers" -eq 1 ] || problems+=("NAWS was offered $offers times before the host answered")
# width height asked of sway for the floating window, in pixels
sizes=(
  "900   560"
  "1100  700"
  "700   420"
)
# Floating again, the window takes its earlier floating size; the first
# resize below must not race that change.
swaymsg "[pid=$corvane_pid] floating enable" >/dev/null
wait_for 5 reported_since "$tiled" || true
wayland_settle
for row in "${sizes[@]}"; do
  read -r width height <<<"$row"
  before=$(last_report)
  swaymsg "[pid=$corvane_pid] resize set width $width px height $height px" >/dev/null
  wait_for 5 reported_since "$before" || problems+=("resize to $width x $height: no new size reported")
  wayland_settle
  read -r _ _ w h <<<"$(wayland_window)"
  echo "floating $width x $height: window ${w}x$h shows $(last_report)"
  echo "$w $h $(last_report | tr x ' ')" >>"$WORK/floating"
done
# Window = frame parts + cells x cell, with one cell and one frame for every row.
fit=$(python3 - "$WORK/floating" <<'PY'
import sys
rows = [tuple(map(int, line.split())) for line in open(sys.argv[1])]
for axis, name in ((0, "width"), (1, "height")):
    w0, c0 = rows[0][axis], rows[0][axis + 2]
    cells = {(w - w0) / (c - c0) for w, _, c, _ in [(r[axis], 0, r[axis + 2], 0) for r in rows[1:]]
             if c != c0}
    if len(cells) != 1 or not next(iter(cells)).is_integer():
        print("%s not fitted: window and cells %s" % (name, [(r[axis], r[axis + 2]) for r in rows]))
PY
)
[ -z "$fit" ] || problems+=("$fit")

before=$(last_report)
swaymsg "[pid=$corvane_pid] floating disable" >/dev/null
wait_for 5 reported_since "$before" || true
wayland_settle
sleep 0.5
retiled=$(last_report)
echo "tiled again: $retiled"
[ "$tiled" = "$retiled" ] ||
  problems+=("the tile's size before DO NAWS was lost: the screen took $tiled, the tile holds $retiled")
[ ${#problems[@]} -eq 0 ] || fail "$(printf '%s; ' "${problems[@]}")"
echo "PASS: the tile's size was applied at DO NAWS ($tiled), ${#sizes[@]} floating sizes were fitted"
