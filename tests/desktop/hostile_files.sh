#!/usr/bin/env bash
# Files and locks that once stalled or emptied the window, on the real program:
#   - another process holds the settings file's lock all along: the window
#     appears at once, setting changes never freeze it, and each change
#     reaches the file once the lock is free;
#   - "[Font] Size=100000": the window still shows a whole cell and its menus,
#     and the size is written back as 72 points;
#   - a FIFO nobody reads chosen as the log: the window goes on, the FIFO is
#     left as it is, and SIGTERM still ends the program.
set -euo pipefail
CORVANE=$1 WORK=$2
source "$(dirname "$0")/lib.sh"
desktop_need Xvfb openbox xdotool xwininfo python3

desktop_start_x
desktop_start_wm
problems=()
ms() { echo $(($(date +%s%N) / 1000000)); }

printf '[Options]\nSaveWinPosition=0\nAutoClose=0\n[Font]\nSize=100000\n' >"$WORK/corvane.ini"
# The lock as another Corvane holds it: flock on the hidden lock file.
python3 - "$WORK/.corvane.ini.lock" "$WORK/lock-held" <<'PY' &
import fcntl, os, sys, time
fd = os.open(sys.argv[1], os.O_RDWR | os.O_CREAT, 0o600)
fcntl.flock(fd, fcntl.LOCK_EX)
open(sys.argv[2], "w").close()
time.sleep(300)
PY
locker=$!
pids+=($locker)
wait_for 5 test -e "$WORK/lock-held" || fail "could not take the lock"

begin=$(ms)
desktop_start_corvane
took=$(($(ms) - begin))
echo "window shown $took ms after the start, behind the held lock"
((took < 8000)) || problems+=("the window took $took ms to appear behind the held lock")

# A 72-point cell (about 100 pixels high) with room for the menu bar.
read -r width height <<<"$(desktop_client_size)"
echo "window of $width x $height pixels at Size=100000," \
  "$(awk '/^VmRSS/ { print $2, $3 }' "/proc/$corvane_pid/status") resident"
((width >= 60 && height >= 120)) || problems+=("the window is $width x $height pixels")

# Three changes behind the held lock, then the About box: it comes at once
# (each change froze the window for two seconds when writes waited for the lock).
begin=$(ms)
xdotool windowactivate --sync "$corvane_win" key --delay 150 alt+o c alt+o c alt+o c alt+h a
about() { xdotool search --onlyvisible --name '^About Corvane$' >/dev/null; }
wait_for 15 about || problems+=("the About box never came")
took=$(($(ms) - begin))
echo "three changes and the About box: $took ms"
((took < 4500)) || problems+=("three changes and the About box took $took ms")
xdotool key Escape
grep -q '^AutoClose=0' "$WORK/corvane.ini" || problems+=("a change went ahead without the lock")
kill "$locker"
wait "$locker" 2>/dev/null || true
changed() { grep -q '^AutoClose=1' "$WORK/corvane.ini"; }
wait_for 5 changed || problems+=("the change never reached the file once the lock was free")
grep -q '^Size=720' "$WORK/corvane.ini" || problems+=("the font size was not written back as 720")

# The log on a FIFO nobody reads: Alt+L, its path, Yes to replacing it.
mkfifo "$WORK/pipe.log"
xdotool windowactivate --sync "$corvane_win" key alt+l
log_dialog() { xdotool search --onlyvisible --name '^Log File$' >/dev/null; }
wait_for 10 log_dialog || fail "the Log File dialog did not open"
sleep 0.3
xdotool key ctrl+a type --delay 20 "$WORK/pipe.log"
xdotool key Return
sleep 1
xdotool key Return  # Yes to "already exists"
sleep 1
[ -p "$WORK/pipe.log" ] || problems+=("the FIFO was replaced")
kill -TERM "$corvane_pid"
ended() { ! kill -0 "$corvane_pid" 2>/dev/null; }
wait_for 5 ended || problems+=("SIGTERM did not end corvane after the FIFO was chosen")
corvane_pid=

for p in "${problems[@]}"; do echo "FAIL: $p" >&2; done
[ ${#problems[@]} -eq 0 ]
