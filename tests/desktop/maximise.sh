#!/usr/bin/env bash
# The main window cannot be maximised: its frame offers no maximise button,
# and a maximised state imposed anyway (a pager's request, a double click on
# the title bar) is undone, the window returning to its fitted size. Its
# dialogs offer neither minimise nor maximise.
set -euo pipefail
CORVANE=$1 WORK=$2
source "$(dirname "$0")/lib.sh"
desktop_need Xvfb openbox xdotool xprop xwininfo wmctrl

desktop_start_x
desktop_start_wm
printf '[Options]\nSaveWinPosition=0\n' >"$WORK/corvane.ini"
desktop_start_corvane
sleep 0.5
fitted=$(desktop_client_size)

maximised() { xprop -id "$corvane_win" _NET_WM_STATE | grep -q MAXIMIZED; }
# Back to normal: not maximised and at the fitted size again.
restored() { ! maximised && [ "$(desktop_client_size)" = "$fitted" ]; }

title_bar() {
  xwininfo -id "$corvane_win" | awk '/Absolute upper-left X:/ { x = $NF }
    /Absolute upper-left Y:/ { y = $NF } /^  Width:/ { w = $2 }
    END { print x + int(w / 2), y - 8 }'
}
double_click_title() {
  read -r x y <<<"$(title_bar)"
  xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
}

# how                          command
ways=(
  "window-manager request|wmctrl -i -r $corvane_win -b add,maximized_vert,maximized_horz"
  "title bar double click|double_click_title"
)
problems=()
# Motif hints (flags, functions, decorations, ...): decoration 0x40 is the maximise button.
decorations=$(xprop -id "$corvane_win" _MOTIF_WM_HINTS | awk -F', ' '{ print $3 }')
(( (decorations & 0x40) == 0 )) || problems+=("the frame asks for a maximise button")
for row in "${ways[@]}"; do
  how=${row%%|*}
  eval "${row#*|}"
  sleep 0.5
  wait_for 3 restored || problems+=("$how: left at $(desktop_client_size), fitted is $fitted")
done
# Dialogs show no minimise or maximise button (Motif decorations 0x20, 0x40).
# title              keys that open it
dialogs=(
  "Open Connection|alt+Home"
  "About Corvane|alt+h a"
)
for row in "${dialogs[@]}"; do
  title=${row%%|*}
  xdotool windowactivate --sync "$corvane_win" key --delay 100 ${row#*|}
  dialog=
  find_dialog() { dialog=$(xdotool search --onlyvisible --name "^$title\$" | head -n1); [ -n "$dialog" ]; }
  if ! wait_for 5 find_dialog; then
    problems+=("$title: did not open")
    continue
  fi
  decorations=$(xprop -id "$dialog" _MOTIF_WM_HINTS | awk -F', ' '{ print $3 }')
  (( (${decorations:-0} & 0x60) == 0 )) || problems+=("$title: asks for minimise or maximise buttons")
  xdotool key Escape  # to the modal dialog, which has the focus
  wait_for 5 bash -c "! xdotool search --onlyvisible --name '^$title\$' >/dev/null" ||
    problems+=("$title: did not close")
done
[ ${#problems[@]} -eq 0 ] || fail "$(printf '%s; ' "${problems[@]}")"
echo "PASS: no maximise offered, every maximised state undone, dialogs without minimise or maximise"
