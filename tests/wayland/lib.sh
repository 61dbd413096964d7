# Shared functions of the Wayland tests: sway on a headless output, the real
# corvane binary as a native Wayland client (qt6-wayland), a loopback host,
# and the Wayland tools that drive and look at the window. Every process is
# started here and stopped by its own PID when the script ends (the trap of
# tests/e2e/common.sh, newest first).
#
# sway refuses to run as root: as root (CI) it runs as the user
# corvane-wayland, created here once, with a runtime folder of its own in /tmp
# that the clients reach through the absolute WAYLAND_DISPLAY and SWAYSOCK
# paths (root may enter it); otherwise it runs as the calling user.
#
# A script sets CORVANE (the binary) and WORK (its scratch folder), sources
# this file, then calls:
#   wayland_need                     exit 77 (skipped) unless sway and the tools are installed
#   wayland_start_sway [LINE...]     empties WORK, starts sway on a 1280x800 headless output
#                                    with these lines added to its configuration;
#                                    exports WAYLAND_DISPLAY, SWAYSOCK, QT_QPA_PLATFORM
#   wayland_start_corvane [ARGS...]  corvane with profile $WORK/corvane.ini; sets corvane_pid
#                                    and returns once sway shows its window
#   wayland_window                   prints "X Y W H" of corvane's window (its surface)
#   wayland_screenshot FILE          PNG of that window (grim)
#   wayland_type WTYPE_ARGS...       keys through a virtual keyboard (wtype)
#   wayland_settle                   waits until the window's place and size hold for 0.3 s
# and from the X11 layer (tests/desktop/lib.sh): desktop_stop_corvane,
# desktop_naws_reports FILE, fail MESSAGE, wait_for SECONDS COMMAND..., start_host.
WAYLAND_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$WAYLAND_DIR/../desktop/lib.sh"
HOST_SCRIPT="$WAYLAND_DIR/../e2e/telnet_host.py"
WAYLAND_USER=corvane-wayland

wayland_need() {
  desktop_need sway swaymsg grim wtype wl-copy wl-paste python3 convert
  if ! compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so" >/dev/null; then
    echo "SKIP: Qt's Wayland plugin is not installed (qt6-wayland; scripts/install-deps.sh)"
    exit 77
  fi
}

sway_dir=
wayland_cleanup() {
  cleanup
  [ -z "$sway_dir" ] || rm -rf "$sway_dir"
}
trap wayland_cleanup EXIT

# Sets WAYLAND_DISPLAY and SWAYSOCK to the sockets sway opened in its folder.
wayland_sockets_open() {
  WAYLAND_DISPLAY=$(compgen -G "$sway_dir/wayland-*" | grep -v '\.lock$' | head -n1)
  SWAYSOCK=$(compgen -G "$sway_dir/sway-ipc.*.sock" | head -n1)
  [ -S "$WAYLAND_DISPLAY" ] && [ -S "$SWAYSOCK" ]
}

wayland_start_sway() {
  desktop_prepare_work
  unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
  local run_as=()
  if [ "$(id -u)" -eq 0 ]; then
    PATH=$PATH:/usr/sbin:/sbin  # useradd and runuser, also where root's PATH lacks them
    id -u "$WAYLAND_USER" >/dev/null 2>&1 || useradd -m "$WAYLAND_USER" ||
      fail "could not create the user $WAYLAND_USER for sway"
    run_as=(runuser -u "$WAYLAND_USER" --)
  fi
  sway_dir=$(mktemp -d /tmp/corvane-sway.XXXXXX)
  [ ${#run_as[@]} -eq 0 ] || chown "$WAYLAND_USER" "$sway_dir"
  chmod 700 "$sway_dir"
  # No Xwayland: a client that fell back to X11 would find no server.
  printf '%s\n' 'xwayland disable' 'output HEADLESS-1 resolution 1280x800' "$@" >"$sway_dir/config"
  chmod 644 "$sway_dir/config"
  "${run_as[@]}" env XDG_RUNTIME_DIR="$sway_dir" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman sway -c "$sway_dir/config" >"$WORK/sway.log" 2>&1 &
  pids+=($!)
  wait_for 10 wayland_sockets_open || fail "sway opened no Wayland or IPC socket"
  export WAYLAND_DISPLAY QT_QPA_PLATFORM=wayland SWAYSOCK
  wait_for 10 swaymsg -t get_outputs >/dev/null 2>&1 || fail "sway does not answer"
}

# The corvane window as sway lists it: "X Y W H" of the surface, in output
# pixels; nothing while it has none.
wayland_window() {
  swaymsg -t get_tree | python3 -SE -c '
import json, sys
pid = int(sys.argv[1])
def walk(node):
    if node.get("pid") == pid:
        r, w = node["rect"], node["window_rect"]
        print(r["x"] + w["x"], r["y"] + w["y"], w["width"], w["height"])
        sys.exit(0)
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))' "$corvane_pid"
}

wayland_has_window() { [ -n "$(wayland_window)" ]; }

wayland_start_corvane() {
  export CORVANE_PROFILE="$WORK/corvane.ini"
  "$CORVANE" "$@" >>"$WORK/corvane.log" 2>&1 &
  corvane_pid=$!
  pids+=("$corvane_pid")
  wait_for 15 wayland_has_window || fail "corvane showed no window on sway"
}

wayland_screenshot() {
  local x y w h
  read -r x y w h <<<"$(wayland_window)"
  grim -g "$x,$y ${w}x$h" "$1"
}

# The headless seat has no keyboard: each wtype run adds its virtual keyboard
# to the seat and takes it away at the end. Keys sent before the client has
# bound the new keyboard go nowhere, so wtype waits first.
wayland_type() { wtype -s 300 "$@"; }

wayland_settle() {
  local last now end=$((SECONDS + 10))
  now=$(wayland_window)
  until [ "${last:-}" = "$now" ] || [ $SECONDS -ge $end ]; do
    last=$now
    sleep 0.3
    now=$(wayland_window)
  done
}
