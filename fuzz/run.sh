#!/usr/bin/env bash
# Builds the fuzz targets (if needed) and runs each named one for SECONDS
# seconds from its committed seed corpus (fuzz/corpus/<target>/) with its
# dictionary (fuzz/<target>.dict), one after the other. The corpus is copied to
# a temporary folder, so the repository is never modified. Stops at the first
# finding with a non-zero exit; the reproducer is kept under the printed
# artifacts folder (replay it with build-fuzz/fuzz/corvane_fuzz_<target> FILE).
#
#   fuzz/run.sh [SECONDS] [TARGET...]      SECONDS defaults to 60; no TARGET: all
#   fuzz/run.sh --list                     the target names
#
# Extra libFuzzer options go in CORVANE_FUZZ_OPTIONS (e.g. "-jobs=2 -workers=2").
# Environment: CORVANE_FUZZ_BUILD (default build-fuzz/ in the checkout) is the build folder.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(dirname "$here")"
build="${CORVANE_FUZZ_BUILD:-$repo/build-fuzz}"
all=(session profile catalogue macro cmdline clipboard)

usage() {
  echo "usage: $0 [SECONDS] [TARGET...]   targets: ${all[*]}" >&2
  exit 2
}

if [[ "${1:-}" == "--list" ]]; then
  printf '%s\n' "${all[@]}"
  exit 0
fi
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
for t in "${targets[@]}"; do
  mkdir -p "$work/$t/corpus" "$work/$t/artifacts"
  cp "$here/corpus/$t"/* "$work/$t/corpus/"
  echo "=== fuzz $t for $seconds s (working corpus: $work/$t/corpus)" >&2
  status=0
  # shellcheck disable=SC2086  # the options are meant to split into words
  "$build/fuzz/corvane_fuzz_$t" \
    -max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=20 -rss_limit_mb=2048 \
    -dict="$here/$t.dict" -artifact_prefix="$work/$t/artifacts/" -print_final_stats=1 \
    ${CORVANE_FUZZ_OPTIONS:-} "$work/$t/corpus" 2>"$work/$t/log" || status=$?
  grep -E '^stat::number_of_executed_units|^Done' "$work/$t/log" >&2 || true
  if [[ $status -ne 0 ]] || compgen -G "$work/$t/artifacts/*" >/dev/null; then
    tail -n 40 "$work/$t/log" >&2
    echo "FINDING in $t (exit $status); reproducer(s):" >&2
    ls -l "$work/$t/artifacts" >&2
    exit $((status == 0 ? 1 : status))
  fi
done
rm -rf "$work"
