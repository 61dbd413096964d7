#!/usr/bin/env bash
# Profiles Corvane's receive loop on one benchmark stream with callgrind
# (instructions, collected only inside CTelnetSession::OnReceive) and prints
# the functions that cost most, with the annotated source in the .out folder.
#
#   bench/profile.sh [benchmark name regex, default plain/80x24/h1000/corvane] [stream MB, default 4]
# Builds a Release binary with debug info in build-bench-prof/ (or $CORVANE_PROF_BUILD).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(dirname "$here")"
build="${CORVANE_PROF_BUILD:-$repo/build-bench-prof}"
filter="${1:-plain/80x24/h1000/corvane}"
mb="${2:-4}"

cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-g \
  -DCORVANE_WITH_BENCH=ON -DCORVANE_WITH_QT=OFF -DCORVANE_WITH_TESTS=OFF >/dev/null
ninja -C "$build" -j2 corvane_bench_receive >/dev/null

out="$(mktemp -d "${TMPDIR:-/tmp}/corvane-profile.XXXXXX")"
valgrind --tool=callgrind --callgrind-out-file="$out/callgrind.out" \
  --toggle-collect='CTelnetSession::OnReceive*' \
  "$build/bench/corvane_bench_receive" --benchmark_filter="$filter" \
  --benchmark_min_time=0 --stream_mb="$mb" --benchmark_color=false >"$out/bench.txt" 2>"$out/valgrind.txt"
callgrind_annotate --inclusive=no "$out/callgrind.out" 2>/dev/null | head -40
echo "inclusive:"
callgrind_annotate --inclusive=yes "$out/callgrind.out" 2>/dev/null | sed -n '1,40p' | tail -25
callgrind_annotate --auto=yes "$out/callgrind.out" >"$out/annotated.txt" 2>/dev/null || true
echo "profile: $out/callgrind.out (annotated source: $out/annotated.txt)"
