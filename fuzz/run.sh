#!/usr/bin/env bash
# Builds the fuzz targets (if needed) and runs each named one for SECONDS
# seconds from its committed seed corpus (fuzz/corpus/<target>/) with its
# dictionary (fuzz/<target>.dict), JOBS targets at a time (default one after
# the other). The corpus is copied to a temporary folder, so the repository is
# never modified. Stops at the first finding with a non-zero exit; the
# reproducer is kept under the printed artifacts folder (replay it with
# build-fuzz/fuzz/corvane_fuzz_<target> FILE).
#
#   fuzz/run.sh [--jobs=JOBS] [--seed=N] [SECONDS] [TARGET...]
#   fuzz/run.sh --list                     the target names
# SECONDS defaults to 60; no TARGET: all.
#
# Exploratory fuzzing, which looks for new faults, uses long runs (minutes to
# hours per target) and libFuzzer's random seed, the default here. The test
# suite instead gives a fixed seed (--seed=1), so its short runs take the same
# path through the inputs every time and a red run can be repeated, rather
# than turning red now and then on whatever a random seed happens to reach.
#
# Extra libFuzzer options go in CORVANE_FUZZ_OPTIONS (e.g. "-jobs=2 -workers=2").
# Environment: CORVANE_FUZZ_BUILD (default build-fuzz/ in the checkout) is the build folder.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(dirname "$here")"
build="${CORVANE_FUZZ_BUILD:-$repo/build-fuzz}"
all=(session profile catalogue macro cmdline clipboard)

usage() {
  echo "usage: $0 [--jobs=JOBS] [--seed=N] [SECONDS] [TARGET...]   targets: ${all[*]}" >&2
  exit 2
}

if [[ "${1:-}" == "--list" ]]; then
  printf '%s\n' "${all[@]}"
  exit 0
fi
jobs=1
seed=
while [[ $# -gt 0 && "$1" == --* ]]; do
  case "$1" in
    --jobs=*) jobs="${1#--jobs=}" ;;
    --seed=*) seed="${1#--seed=}" ;;
    *) usage ;;
  esac
  shift
done
[[ "$jobs" =~ ^[1-9][0-9]*$ && "$seed" =~ ^[0-9]*$ ]] || usage
seconds=60
if [[ $# -gt 0 && "$1" =~ ^[0-9]+$ ]]; then
  seconds="$1"
  shift
fi
targets=("$@")
[[ ${#targets[@]} -eq 0 ]] && targets=("${all[@]}")
for t in "${targets[@]}"; do
  [[ " ${all[*]} " == *" $t "* ]] || { echo "unknown target '$t'" >&2; usage; }
done

# Longest input per target: big enough for its format (a host word of 1000
# characters, a screenful of host bytes), small enough to stay fast.
max_len() {
  case "$1" in
    session) echo 10000 ;;
    cmdline) echo 8192 ;;
    catalogue) echo 12000 ;;  # names beyond their 4096-byte cap
    *) echo 4096 ;;
  esac
}

# The fuzz preset (clang, no Qt, no tests); configuring again is quick and
# brings a folder made before a change of the preset up to date.
(cd "$repo" && cmake --preset fuzz -B "$build" >/dev/null)
ninja -C "$build" -j2 "${targets[@]/#/corvane_fuzz_}"

work="$(mktemp -d "${TMPDIR:-/tmp}/corvane-fuzz.XXXXXX")"
# Runs one target to its end; its exit status says whether it found something.
fuzz_one() {
  local t=$1 status=0
  mkdir -p "$work/$t/corpus" "$work/$t/artifacts"
  cp "$here/corpus/$t"/* "$work/$t/corpus/"
  echo "=== fuzz $t for $seconds s${seed:+, seed $seed} (working corpus: $work/$t/corpus)" >&2
  # shellcheck disable=SC2086  # the options are meant to split into words
  "$build/fuzz/corvane_fuzz_$t" \
    -max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=20 -rss_limit_mb=2048 \
    ${seed:+-seed="$seed"} -dict="$here/$t.dict" -artifact_prefix="$work/$t/artifacts/" \
    -print_final_stats=1 ${CORVANE_FUZZ_OPTIONS:-} "$work/$t/corpus" 2>"$work/$t/log" || status=$?
  if [[ $status -ne 0 ]] || compgen -G "$work/$t/artifacts/*" >/dev/null; then
    return $((status == 0 ? 1 : status))
  fi
}

# Each target's summary (or its finding) is printed as it ends. After a
# finding no further target starts; those already running are let finish.
failed=0
declare -A running=()  # pid -> target
report() {  # pid status
  local t=${running[$1]}
  unset "running[$1]"
  grep -E '^stat::number_of_executed_units|^Done' "$work/$t/log" | sed "s/^/$t: /" >&2 || true
  if [[ $2 -ne 0 ]]; then
    tail -n 40 "$work/$t/log" >&2
    echo "FINDING in $t (exit $2); reproducer(s):" >&2
    ls -l "$work/$t/artifacts" >&2
    failed=$2
  fi
}
wait_one() {
  local pid status=0
  wait -n -p pid "${!running[@]}" || status=$?
  report "$pid" "$status"
}
for t in "${targets[@]}"; do
  while [[ ${#running[@]} -ge $jobs ]]; do wait_one; done
  [[ $failed -eq 0 ]] || break
  fuzz_one "$t" &
  running[$!]=$t
done
while [[ ${#running[@]} -gt 0 ]]; do wait_one; done
[[ $failed -eq 0 ]] || exit "$failed"
rm -rf "$work"
