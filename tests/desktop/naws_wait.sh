#!/usr/bin/env bash
# A window manager's size given before the host asks for NAWS is the size the
# host is told: the host asks for the terminal type at once and for NAWS a
# moment later (as inetutils' telnetd does), and the window is resized in
# between, as a tiling window manager does with a new window. The one size
# reported is the window's, and the window ends fitted to it.
set -euo pipefail
CORVANE=$1 WORK=$2
source "$(dirname "$0")/lib.sh"
desktop_need Xvfb openbox xdotool xprop xwininfo

desktop_start_x
desktop_start_wm
# DO TERMINAL-TYPE at once, DO NAWS 2.5 s later.
mkdir -p "$WORK/stream"
printf '\377\375\030\377\375\037' >"$WORK/stream/late.s2c"
printf '0.000 0 3\n2.500 3 3\n' >"$WORK/stream/late.s2c.idx"
desktop_start_host "$WORK/stream/late.s2c"
printf '[Options]\nSaveWinPosition=0\n' >"$WORK/corvane.ini"
desktop_start_corvane 127.0.0.1 "$host_port"
log="$WORK/host/client-1.bin"
reported() { [ -n "$(desktop_naws_reports "$log")" ]; }
wait_for 5 grep -q $'\xff\xfb\x18' "$log" || fail "the terminal-type request was not answered"
reported && fail "a size was reported before DO NAWS"
xdotool windowsize "$corvane_win" 1000 700
wait_for 10 reported || fail "no window size was reported"
sleep 1  # the fit to the reported size

read -r inc_w inc_h base_w base_h <<<"$(desktop_size_hints)"
read -r w h <<<"$(desktop_client_size)"
(( (w - base_w) % inc_w == 0 && (h - base_h) % inc_h == 0 )) || fail "the window ${w}x${h} is not fitted"
shown="$(( (w - base_w) / inc_w ))x$(( (h - base_h) / inc_h ))"
reports=$(desktop_naws_reports "$log" | tr '\n' ' ')
[ "$reports" = "$shown " ] || fail "reported $reports, the window shows $shown"
[ "$shown" != 80x24 ] || fail "the window manager's size was lost: the screen stayed 80x24"
echo "PASS: DO NAWS reported and applied the window manager's size, $shown"
