#!/usr/bin/env bash
# Keyboard input on a real X server with openbox, one case per run:
#   font_escape  Escape in the Font dialog after changing the size: the whole
#                dialog goes and the profile's font keys stay as they were
#   dead_keys    German layout, dead acute then e: the host receives é in the
#                terminal's code page (0x82 in CP437), not a bare e
#   notice_keys  App then App+F1 with a catalogue configured: the macro
#                reaches the host while the "Database loaded" box is up
#   lock_panes   Caps Lock and Num Lock on: their status panes light; off: dim
#   new_keyboard the first key typed on a keyboard whose map differs from the
#                last one's (the server announces a new keyboard) follows its
#                map, in Qt's key handling and in corvane's own
#   menu_escape  Escape closing a drop-down (opened by a click, or by Alt+E and
#                moved on with an arrow) gives the keyboard back to the terminal:
#                the letters and the Escape typed next reach the host
#   typed_order  letters typed one by one reach the host once each and move the
#                window's last-input time on (window managers read it), and a
#                burst mixing letters with Shift, Return and Tab arrives in order
set -euo pipefail
CORVANE=$1 WORK=$2 CASE=$3
source "$(dirname "$0")/lib.sh"
HOST_SCRIPT="$DESKTOP_DIR/../e2e/telnet_host.py"
desktop_need Xvfb openbox xdotool xprop xwininfo setxkbmap import compare convert

# Corvane connected to a loopback host that records every byte it is sent.
start_connected() {
  start_host "$WORK" --hold 120 --log "$WORK/client.bin"
  desktop_start_corvane 127.0.0.1 "$host_port"
  wait_for 10 grep -q vt100 "$WORK/client.bin" || fail "the terminal-type answer did not arrive"
  focus_corvane
}

# The bytes the host received, as hex, from the first typed marker "q" on (a
# key of every layout used here, so xdotool never remaps a key for it).
typed_since_marker() {
  python3 -c 'import sys; d = open(sys.argv[1], "rb").read(); i = d.find(b"q")
print(d[i:].hex(" ") if i >= 0 else "(no marker)")' "$WORK/client.bin"
}

# The keyboard on corvane's main window, as a click on it would put it.
corvane_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$corvane_win" ]; }
focus_corvane() {
  xdotool windowactivate --sync "$corvane_win" 2>/dev/null || true
  wait_for 5 corvane_active || fail "corvane's window did not get the keyboard"
}

line_ended() { typed_since_marker | grep -q '0d 0a$'; }

# Windows of corvane other than the main one (dialogs, message boxes).
other_windows() {
  xdotool search --onlyvisible --pid "$corvane_pid" 2>/dev/null | grep -vx "$corvane_win" || true
}

has_other_window() { [ -n "$(other_windows)" ]; }
window_list() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$corvane_pid" 2>/dev/null); do
    printf '%s "%s" ' "$w" "$(xdotool getwindowname "$w")"
  done
  printf 'main %s, active %s' "$corvane_win" "$(xdotool getactivewindow 2>/dev/null)"
}

# Profile lines of the font, without the window position.
font_keys() { sed -n '/^\[Font\]/,/^\[/p; /^\[Color\]/,/^\[/p' "$WORK/corvane.ini"; }

case_font_escape() {
  desktop_start_corvane
  local before
  before=$(font_keys)
  [ -n "$before" ] || fail "no [Font] keys in the profile at start"
  focus_corvane
  xdotool key alt+f
  wait_for 10 has_other_window || fail "the Font dialog did not open (windows: $(window_list))"
  sleep 0.5
  xdotool key alt+s && sleep 0.2 && xdotool type 20 && sleep 0.2
  xdotool key Escape
  sleep 1
  local left
  left=$(other_windows)
  if [ -n "$left" ]; then
    xdotool key Return  # what a user would try next: the dialog's OK
    sleep 1
    fail "Escape left a window open: $(xdotool getwindowname "$left")"
  fi
  [ "$(font_keys)" = "$before" ] || fail "the font keys changed: $(font_keys)"
}

case_dead_keys() {
  setxkbmap de
  # A UTF-8 locale, whose compose table turns dead keys into characters.
  export LC_ALL=C.UTF-8
  start_connected
  xdotool key --delay 100 q dead_acute e Return  # at a brisk typist's pace
  wait_for 5 line_ended || true
  local got
  got=$(typed_since_marker)
  [ "$got" = "71 82 0d 0a" ] || fail "dead acute + e sent '$got', expected 71 82 0d 0a"
}

case_new_keyboard() {
  # Only the XTest keyboard, the one xdotool types on, gets the German map
  # (Xvfb numbers its devices alike every time: 5 is that keyboard). Its
  # first key makes the server announce it as a new keyboard.
  setxkbmap -device 5 de
  start_connected
  # xdotool picks keys by the US map it read first: its "y" key is the German
  # "z". The first "y" follows Return within Qt's turn, so Qt handles it; the
  # second comes later and takes corvane's own path.
  xdotool key --delay 0 q Return y sleep 0.3 key y Return
  wait_for 5 line_ended || true
  local got
  got=$(typed_since_marker)
  [ "$got" = "71 0d 0a 7a 7a 0d 0a" ] || fail "keys on the new keyboard sent '$got', expected 71 0d 0a 7a 7a 0d 0a"
}

case_notice_keys() {
  mkdir -p "$WORK/csv"
  printf 'README.TXT,1234\n' >"$WORK/csv/cd0.csv"
  printf '[Special]\nDBSize=10\nCSVDir=%s\nCDDir=%s\n[Macro]\nF1=hello\\r\n' \
    "$WORK/csv" "$WORK/csv" >"$WORK/corvane.ini"
  start_connected
  xdotool key q
  xdotool keydown Menu
  wait_for 10 has_other_window || fail "the Database loaded box did not appear"
  sleep 0.3
  xdotool key F1
  xdotool keyup Menu
  xdotool key x Return
  wait_for 5 line_ended || true
  local got
  got=$(typed_since_marker)
  # "q" "hello" CR, then "x" CR LF
  [ "$got" = "71 68 65 6c 6c 6f 0d 78 0d 0a" ] ||
    fail "keys typed while the box was up sent '$got'"
  [ -n "$(other_windows)" ] || fail "the box was closed by the keys meant for the host"
}

# An open drop-down is a window of corvane's own.
menu_open() { has_other_window; }
menu_closed() { ! has_other_window; }

case_menu_escape() {
  start_connected
  # The Edit menu's title, just right of Connection's, on the menu bar.
  xdotool mousemove --window "$corvane_win" 100 10 click 1
  wait_for 5 menu_open || fail "a click on the menu bar opened no menu (windows: $(window_list))"
  xdotool key Escape
  wait_for 5 menu_closed || fail "Escape left the menu open"
  xdotool key --delay 50 q a Escape
  # Mnemonic, then an arrow to the next drop-down: navigation still works.
  xdotool key alt+e
  wait_for 5 menu_open || fail "Alt+E opened no menu"
  xdotool key Right
  sleep 0.3
  menu_open || fail "Right closed the menus instead of moving to the next"
  xdotool key Escape
  wait_for 5 menu_closed || fail "Escape left the menu open"
  xdotool key --delay 50 b Return
  wait_for 5 line_ended || true
  local got
  got=$(typed_since_marker)
  [ "$got" = "71 61 1b 62 0d 0a" ] ||
    fail "keys after Escape closed a menu sent '$got', expected 71 61 1b 62 0d 0a"
}

# The status bar's right end: the lock panes and their neighbours.
pane_strip() {
  desktop_screenshot "$WORK/shot.png"
  convert "$WORK/shot.png" -gravity SouthEast -crop 200x14+0+4 +repage "$1"
}
strips_differ() {
  [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" != 0 ]
}

case_lock_panes() {
  desktop_start_corvane
  sleep 1
  pane_strip "$WORK/off.png"
  local key
  for key in Caps_Lock Num_Lock; do
    xdotool key "$key"
    sleep 1
    pane_strip "$WORK/on.png"
    strips_differ "$WORK/off.png" "$WORK/on.png" || fail "$key on: its pane did not light"
    xdotool key "$key"
    sleep 1
    pane_strip "$WORK/on.png"
    strips_differ "$WORK/off.png" "$WORK/on.png" && fail "$key off: the panes did not return"
  done
  return 0
}

# The window's last-input time (_NET_WM_USER_TIME), on the window Qt keeps
# for it when the window manager supports one; 0 before the first input.
user_time() {
  local w t
  w=$(xprop -id "$corvane_win" _NET_WM_USER_TIME_WINDOW 2>/dev/null | sed -n 's/.*# //p')
  t=$(xprop -id "${w:-$corvane_win}" _NET_WM_USER_TIME 2>/dev/null | sed -n 's/.* = //p')
  echo "${t:-0}"
}

user_time_after() { [ "$(user_time)" -gt "$1" ]; }

case_typed_order() {
  start_connected
  local before
  before=$(user_time)
  xdotool key --delay 150 q w e
  wait_for 5 user_time_after "$before" || fail "typed letters left the last-input time at $before"
  xdotool key --delay 0 Return a shift+b c Tab d e Return
  wait_for 5 line_ended || true
  local got
  got=$(typed_since_marker)
  [ "$got" = "71 77 65 0d 0a 61 42 63 09 64 65 0d 0a" ] ||
    fail "typed keys sent '$got', expected 71 77 65 0d 0a 61 42 63 09 64 65 0d 0a"
}

desktop_start_x
desktop_start_wm
"case_$CASE"
echo "PASS: $CASE"
