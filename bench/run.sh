#!/usr/bin/env bash
# Configures a Release build of the receive-loop benchmark in build-bench/
# (or $CORVANE_BENCH_BUILD), builds it and runs it; the summary table with
# Corvane's and libvterm's MB/s and their ratio is printed at the end.
#
#   bench/run.sh [--stream_mb=N] [Google Benchmark options...]
# Needs libbenchmark-dev; libvterm-dev and pkg-config for the comparison.
# The same build has corvane_alloc_count (heap allocations inside the receive
# loop per stream) and bench/profile.sh profiles one case with callgrind.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(dirname "$here")"
build="${CORVANE_BENCH_BUILD:-$repo/build-bench}"

(cd "$repo" && cmake --preset bench -B "$build" >/dev/null)  # Release, no Qt, no tests
ninja -C "$build" -j2 corvane_bench_receive corvane_alloc_count >/dev/null
exec "$build/bench/corvane_bench_receive" "$@"
