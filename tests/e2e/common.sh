# Helpers for the end-to-end scripts: processes are started here and stopped
# by their own PIDs when the script ends.
pids=()
cleanup() {
  # Newest first: the program before the host and the X server it uses.
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# wait_for SECONDS COMMAND...: polls until COMMAND succeeds.
wait_for() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}

# start_host DIR ARGS...: starts the loopback host, sets $host_port.
start_host() {
  local dir=$1; shift
  python3 "$HOST_SCRIPT" --port-file "$dir/port" "$@" &
  pids+=($!)
  wait_for 10 test -s "$dir/port" || fail "host did not start"
  host_port=$(cat "$dir/port")
}
