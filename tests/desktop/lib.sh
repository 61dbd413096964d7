# Shared functions of the real-window tests: a private X server with openbox,
# the real corvane binary with a profile of its own, a loopback host that
# replays a recorded stream, and the X tools that look at the window.
# Every process is started here and stopped by its own PID when the script
# ends (the trap of tests/e2e/common.sh, newest first).
#
# A script sets CORVANE (the binary) and WORK (its scratch folder), sources
# this file, then calls:
#   desktop_need TOOL...             exit 77 (skipped) unless every TOOL is installed
#   desktop_start_x [WxHxD]          empties WORK, starts Xvfb on a free display;
#                                    exports DISPLAY, HOME and XDG_* inside WORK
#   desktop_start_wm                 openbox, returns once it manages windows
#   desktop_start_host STREAM [ARGS] replay host (replay_host.py); sets host_port;
#                                    client N's bytes land in $WORK/host/client-N.bin
#   desktop_start_corvane [ARGS...]  corvane with profile $WORK/corvane.ini (write it
#                                    first to preset keys); sets corvane_pid, corvane_win
#   desktop_stop_corvane             ends that corvane by its PID and waits for it
#   desktop_screenshot FILE [WIN]    PNG of window WIN (default corvane_win)
#   desktop_client_size [WIN]        prints "W H" of the window's client area
#   desktop_size_hints [WIN]         prints "INC_W INC_H BASE_W BASE_H" (WM_NORMAL_HINTS)
#   desktop_naws_reports FILE        prints each window size the client reported, "COLSxROWS"
#   desktop_start_load [N]           N busy loops (default: one per core)
#   desktop_stop_load                ends them
# and from common.sh: fail MESSAGE, wait_for SECONDS COMMAND...
DESKTOP_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$DESKTOP_DIR/../e2e/common.sh"

desktop_need() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
      exit 77
    fi
  done
}

# A fresh scratch folder with the private runtime folder Qt wants.
desktop_prepare_work() {
  [ -n "${WORK:-}" ] || fail "WORK is not set"
  rm -rf "$WORK" && mkdir -p "$WORK/runtime" "$WORK/home" && chmod 700 "$WORK/runtime"
  export HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/runtime" XDG_CONFIG_HOME="$WORK/home/.config"
  unset QT_QPA_PLATFORM
}

desktop_start_x() {
  local screen=${1:-1280x1024x24}
  desktop_prepare_work
  # Xvfb picks a free display itself and tells us its number.
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$WORK/display" 2>"$WORK/xvfb.log" &
  pids+=($!)
  wait_for 10 test -s "$WORK/display" || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$WORK/display")"
}

desktop_wm_running() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

desktop_start_wm() {
  openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
  pids+=($!)
  wait_for 10 desktop_wm_running || fail "openbox did not start managing windows"
}

desktop_start_host() {
  local stream=$1; shift
  rm -f "$WORK/port"
  python3 "$DESKTOP_DIR/replay_host.py" --port-file "$WORK/port" --stream "$stream" \
    --log-dir "$WORK/host" "$@" &
  pids+=($!)
  wait_for 10 test -s "$WORK/port" || fail "replay host did not start"
  host_port=$(cat "$WORK/port")
}

desktop_find_window() {
  corvane_win=$(xdotool search --onlyvisible --pid "$corvane_pid" 2>/dev/null | head -n1)
  [ -n "$corvane_win" ]
}

desktop_start_corvane() {
  export CORVANE_PROFILE="$WORK/corvane.ini"
  "$CORVANE" "$@" >>"$WORK/corvane.log" 2>&1 &
  corvane_pid=$!
  pids+=($corvane_pid)
  wait_for 15 desktop_find_window || fail "corvane showed no window"
  # Mapped is not yet placed: wait until the window manager has framed it.
  if desktop_wm_running; then
    wait_for 10 desktop_is_framed "$corvane_win" || fail "the window manager did not frame corvane"
  fi
}

desktop_is_framed() {
  xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '='
}

desktop_stop_corvane() {
  [ -n "${corvane_pid:-}" ] || return 0
  kill "$corvane_pid" 2>/dev/null || true
  wait "$corvane_pid" 2>/dev/null || true
  corvane_pid=
}

desktop_screenshot() {
  import -window "${2:-$corvane_win}" "$1"
}

desktop_client_size() {
  xwininfo -id "${1:-$corvane_win}" | awk '/^  Width:/ { w = $2 } /^  Height:/ { h = $2 }
    END { print w, h }'
}

desktop_size_hints() {
  xprop -id "${1:-$corvane_win}" WM_NORMAL_HINTS | awk '
    /resize increment:/ { iw = $(NF - 2); ih = $NF }
    /base size:/ { bw = $(NF - 2); bh = $NF }
    END { print iw + 0, ih + 0, bw + 0, bh + 0 }'
}

desktop_naws_reports() {
  python3 - "$1" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
i = 0
while True:
    i = data.find(bytes([255, 250, 31]), i)
    if i < 0:
        break
    end = data.find(bytes([255, 240]), i)
    if end < 0:
        break
    body = data[i + 3:end].replace(b"\xff\xff", b"\xff")
    if len(body) == 4:
        print("%dx%d" % (body[0] * 256 + body[1], body[2] * 256 + body[3]))
    i = end + 2
PY
}

desktop_load_pids=()
desktop_start_load() {
  local n=${1:-$(nproc)} i
  for ((i = 0; i < n; i++)); do
    bash -c 'while :; do :; done' &
    pids+=($!)
    desktop_load_pids+=($!)
  done
}

desktop_stop_load() {
  local pid
  for pid in "${desktop_load_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  desktop_load_pids=()
}
