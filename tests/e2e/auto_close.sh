#!/usr/bin/env bash
# The real program connects from its command line, shows the host's text,
# and ends by itself when the host closes with auto close on, without
# saving the window position.
set -euo pipefail
CORVANE=$1 HOST_SCRIPT=$2 WORK=$3
source "$(dirname "$0")/common.sh"

rm -rf "$WORK" && mkdir -p "$WORK/runtime" && chmod 700 "$WORK/runtime"
cat > "$WORK/corvane.ini" <<'INI'
[Options]
AutoClose=1
DisconnectNotify=0
SaveWinPosition=1
[Screen]
WinPosX=77
WinPosY=66
INI
start_host "$WORK" --close-after 1 --log "$WORK/client.bin"

export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$WORK/runtime" CORVANE_PROFILE="$WORK/corvane.ini"
set +e
timeout 30 "$CORVANE" 127.0.0.1 "$host_port" extra words
status=$?
set -e
[ $status -eq 0 ] || fail "corvane exited with $status"
grep -qx 'WinPosX=77' "$WORK/corvane.ini" || fail "window position was rewritten"
grep -qx 'Host1=127.0.0.1' "$WORK/corvane.ini" || fail "host not remembered"
grep -qx "Port1=$host_port" "$WORK/corvane.ini" || fail "port not remembered"
# The client answered the terminal-type question with "vt100".
grep -q 'vt100' "$WORK/client.bin" || fail "no terminal type answer"
echo "PASS: auto close ended the program (exit 0), position kept"
