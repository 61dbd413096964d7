#!/usr/bin/env bash
# Start, first paint and typing on a Wayland desktop: corvane connects to the
# loopback host named on its command line, the host's screen is painted (its
# bold yellow line shows on a screenshot of the window), and keys typed through
# the compositor reach the host as the bytes the keyboard table gives them.
set -euo pipefail
CORVANE=$1 WORK=$2
source "$(dirname "$0")/lib.sh"
wayland_need

wayland_start_sway
start_host "$WORK" --hold 60 --log "$WORK/client.bin"
wayland_start_corvane 127.0.0.1 "$host_port"
wait_for 10 grep -q vt100 "$WORK/client.bin" || fail "the terminal-type answer did not arrive"

# The bold yellow line is painted in palette colour 11 (255, 255, 0); its
# glyphs' smoothed edges count too.
yellow_pixels() {
  convert "$WORK/shot.png" -fuzz 20% -fill black +opaque 'rgb(255,255,0)' \
    -fill white -opaque 'rgb(255,255,0)' -format '%[fx:mean*w*h]' info:
}
painted() {
  wayland_screenshot "$WORK/shot.png" 2>/dev/null || return 1
  awk -v n="$(yellow_pixels)" 'BEGIN { exit !(n > 100) }'
}
wait_for 10 painted || fail "the host's text was not painted ($(yellow_pixels) yellow pixels)"
echo "first paint: $(yellow_pixels) yellow pixels"

received() { stat -c %s "$WORK/client.bin"; }
received_at_least() { [ "$(received)" -ge "$1" ]; }
# wtype arguments              bytes the host receives
keys=(
  "Hello, Wayland              48 65 6c 6c 6f 2c 20 57 61 79 6c 61 6e 64"
  "-k Return                   0d 0a"
  "-k BackSpace                08"
  "-M ctrl c -m ctrl           03"
  "-k Up                       1b 4f 41"
  "-k Delete                   1b 5b 33 7e"
)
problems=()
for row in "${keys[@]}"; do
  typed=$(sed -E 's/ {2,}.*//' <<<"$row")
  want=$(sed -E 's/^.*[^ ] {2,}//' <<<"$row")
  before=$(received)
  # shellcheck disable=SC2086  # the row's words are wtype's arguments
  wayland_type $typed
  count=$(wc -w <<<"$want")
  wait_for 5 received_at_least $((before + count)) || true
  sleep 0.2  # anything more the key sent
  got=$(tail -c +$((before + 1)) "$WORK/client.bin" | od -An -tx1 | xargs)
  echo "wtype $typed: $got"
  [ "$got" = "$want" ] || problems+=("wtype $typed sent '$got', not '$want'")
done
[ ${#problems[@]} -eq 0 ] || fail "$(printf '%s; ' "${problems[@]}")"
echo "PASS: painted, and ${#keys[@]} typed inputs reached the host as their bytes"
