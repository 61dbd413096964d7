#!/usr/bin/env bash
# The Wayland clipboard, both ways. Copy: Alt+Ins puts the history on the
# clipboard, where another client (wl-paste) reads it as text. Paste: what
# another client (wl-copy) offers reaches the host on Shift+Ins through the
# terminal's code page, unconverted otherwise, a data byte 255 doubled.
# The headless seat has no pointer, so a mouse selection cannot be made here.
set -euo pipefail
CORVANE=$1 WORK=$2
source "$(dirname "$0")/lib.sh"
wayland_need

wayland_start_sway
start_host "$WORK" --hold 60 --log "$WORK/client.bin"
wayland_start_corvane 127.0.0.1 "$host_port"
log=$WORK/client.bin
wait_for 10 grep -q vt100 "$log" || fail "the terminal-type answer did not arrive"
problems=()

clipboard_has() { wl-paste -n 2>/dev/null | grep -qF "$1"; }
wayland_type -M alt -k Insert -m alt
wait_for 5 clipboard_has "Bold yellow on black" ||
  problems+=("Alt+Ins put '$(wl-paste -n 2>&1 | head -c 200)' on the clipboard")
first=$(wl-paste -n 2>/dev/null | head -n1 | tr -d '\r')
[ "$first" = "Corvane end-to-end test host" ] || problems+=("the copied history begins '$first'")

received() { stat -c %s "$log"; }
received_at_least() { [ "$(received)" -ge "$1" ]; }
# clipboard text (printf format)   bytes the host receives
pastes=(
  "pasted text|70 61 73 74 65 64 20 74 65 78 74"
  "é ü|82 20 81"
  "one\ntwo\r\n|6f 6e 65 0a 74 77 6f 0d 0a"
  "\u00a0|ff ff"
)
for row in "${pastes[@]}"; do
  format=${row%|*} want=${row#*|}
  # shellcheck disable=SC2059  # the row's text is a printf format
  printf "$format" | wl-copy --foreground &
  copy_pid=$!
  pids+=("$copy_pid")
  # shellcheck disable=SC2059
  wait_for 5 clipboard_has "$(printf "$format" | head -n1)" || problems+=("wl-copy did not offer '$format'")
  before=$(received)
  wayland_type -M shift -k Insert -m shift
  wait_for 5 received_at_least $((before + $(wc -w <<<"$want"))) || true
  sleep 0.2  # anything more the paste sent
  got=$(tail -c +$((before + 1)) "$log" | od -An -tx1 | xargs)
  echo "paste '$format': $got"
  [ "$got" = "$want" ] || problems+=("pasting '$format' sent '$got', not '$want'")
  kill "$copy_pid" 2>/dev/null || true
  wait "$copy_pid" 2>/dev/null || true
done
[ ${#problems[@]} -eq 0 ] || fail "$(printf '%s; ' "${problems[@]}")"
echo "PASS: the history was copied, and ${#pastes[@]} clipboard texts were pasted as their bytes"
