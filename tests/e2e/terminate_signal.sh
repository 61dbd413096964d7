#!/usr/bin/env bash
# SIGTERM ends the real program as Exit does, without its question: the
# session log holds every byte shown, the window position is saved, the
# connection is closed and the exit status is 0. While still connected, text
# reaches the log file within about a second of its arrival.
set -euo pipefail
CORVANE=$1 HOST_SCRIPT=$2 WORK=$3
source "$(dirname "$0")/../desktop/lib.sh"

desktop_need Xvfb openbox xdotool
desktop_start_x
cat > "$WORK/corvane.ini" <<'INI'
[Options]
SaveWinPosition=1
DisconnectNotify=0
[Screen]
WinPosX=0
WinPosY=0
INI
desktop_start_wm

start_host "$WORK" --hold 60 --echo --log "$WORK/client.bin"
host_pid=${pids[-1]}
desktop_start_corvane 127.0.0.1 "$host_port"

title="127.0.0.1:$host_port - Corvane"
wait_for 15 xdotool search --name "^$title\$" >/dev/null || fail "no window titled '$title'"
win=$(xdotool search --name "^$title\$" | head -n1)
wait_for 10 grep -q 'vt100' "$WORK/client.bin" || fail "the terminal-type answer did not arrive"
xdotool windowmove "$win" 150 120
xdotool windowactivate --sync "$win"

# Start the log: Alt+L, a new file's full path in the dialog, Enter.
log="$WORK/session.log"
xdotool key --clearmodifiers alt+l
wait_for 10 xdotool search --name '^Log File$' >/dev/null || fail "no log file dialog"
sleep 0.5
xdotool key ctrl+a
xdotool type --delay 10 "$log"
xdotool key Return
wait_for 10 test -e "$log" || fail "the log did not start"
sleep 0.3

# The host sends back what is typed. It is in the file about a second later
# (the poll allows for typing and the round trip), while still connected.
xdotool type --delay 10 "FIRST"
xdotool key Return
wait_for 2 grep -q 'FIRST' "$log" || fail "the log did not reach its file within a second"

# The last line arrives just before the signal, before the next tick.
xdotool type --delay 10 "LAST"
xdotool key Return
wait_for 5 grep -q 'LAST' "$WORK/client.bin" || fail "the host did not get the last line"
sleep 0.3
kill -TERM "$corvane_pid"
wait_for 10 sh -c "! kill -0 $corvane_pid 2>/dev/null" || fail "corvane did not end on SIGTERM"
set +e
wait "$corvane_pid"
status=$?
set -e
[ $status -eq 0 ] || fail "corvane exited with $status after SIGTERM"

printf 'FIRST\r\nLAST\r\n' > "$WORK/expected.log"
cmp "$log" "$WORK/expected.log" || fail "the log does not hold exactly what was shown: $(od -c "$log" | head)"
x=$(sed -n 's/^WinPosX=//p' "$WORK/corvane.ini")
y=$(sed -n 's/^WinPosY=//p' "$WORK/corvane.ini")
[ "${x:-0}" -ge 110 ] && [ "${x:-0}" -le 190 ] && [ "${y:-0}" -ge 80 ] && [ "${y:-0}" -le 160 ] ||
  fail "window position not saved (WinPosX=$x WinPosY=$y, moved to 150,120)"
wait_for 5 sh -c "! kill -0 $host_pid 2>/dev/null" || fail "the connection was not closed"
echo "PASS: SIGTERM exit 0, log $(wc -c <"$log") bytes, position $x,$y saved, connection closed"
