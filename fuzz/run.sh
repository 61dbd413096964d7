#!/usr/bin/env bash
# Builds the session fuzzer (if needed) and runs it for SECONDS seconds from the
# committed seed corpus. The corpus is copied to a temporary folder, so the
# repository is never modified. Exits non-zero on a finding; the reproducer is
# kept under the printed artifacts folder (copy it into fuzz/crashes/).
#
#   fuzz/run.sh SECONDS [extra libFuzzer options...]
#
# Environment: CORVANE_FUZZ_BUILD (default build-fuzz/ in the checkout) is the build folder.
set -euo pipefail
if [[ $# -lt 1 || ! "$1" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 SECONDS [libFuzzer options...]" >&2
  exit 2
fi
seconds="$1"; shift
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(dirname "$here")"
build="${CORVANE_FUZZ_BUILD:-$repo/build-fuzz}"

if [[ ! -f "$build/build.ninja" ]]; then
  CXX=clang++ cmake -S "$repo" -B "$build" -G Ninja -DCORVANE_WITH_QT=OFF \
    -DCORVANE_WITH_TESTS=OFF -DCORVANE_WITH_FUZZ=ON
fi
ninja -C "$build" -j2 corvane_fuzz_session

work="$(mktemp -d "${TMPDIR:-/tmp}/corvane-fuzz.XXXXXX")"
mkdir -p "$work/corpus" "$work/artifacts"
cp "$here"/corpus/* "$work/corpus/"
echo "working corpus: $work/corpus" >&2

status=0
"$build/fuzz/corvane_fuzz_session" \
  -max_total_time="$seconds" -max_len=10000 -timeout=20 -rss_limit_mb=2048 \
  -dict="$here/corvane.dict" -artifact_prefix="$work/artifacts/" -print_final_stats=1 \
  "$@" "$work/corpus" || status=$?

if [[ $status -ne 0 ]] || compgen -G "$work/artifacts/*" >/dev/null; then
  echo "FINDING (exit $status); reproducer(s):" >&2
  ls -l "$work/artifacts" >&2
  exit $((status == 0 ? 1 : status))
fi
rm -rf "$work"
