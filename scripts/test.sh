#!/usr/bin/env bash
# Builds Corvane and runs every test:
#   1. the whole suite in a normal build,
#   2. the whole suite again with AddressSanitizer + UndefinedBehaviorSanitizer,
#   3. the core's tests (the threaded code lives there) with ThreadSanitizer,
#   4. the fuzzer for a minute from its seed corpus.
# scripts/test.sh --quick runs step 1 only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
quick=0
[ "${1:-}" = "--quick" ] && quick=1
bash "$root/scripts/install-deps.sh"

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

build_and_test() {  # dir, ctest args..., -- cmake args...
  local dir=$1; shift
  local ctest_args=() cmake_args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do ctest_args+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  cmake_args=("$@")
  echo "=== build $dir ${cmake_args[*]}"
  cmake -S "$root" -B "$dir" -G Ninja "${cmake_args[@]}" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "=== test $dir"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "${ctest_args[@]}"
}

build_and_test "$root/build" -- -DCMAKE_BUILD_TYPE=RelWithDebInfo
[ $quick -eq 1 ] && exit 0

ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  build_and_test "$root/build-asan" -- -DCMAKE_BUILD_TYPE=Debug "-DCORVANE_SANITIZE=address,undefined"
# The worker-thread code lives in the core, so the core's tests are the threaded ones.
TSAN_OPTIONS=halt_on_error=1 \
  build_and_test "$root/build-tsan" -- -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=thread \
  -DCORVANE_WITH_QT=OFF
if [ -x "$root/fuzz/run.sh" ]; then
  echo "=== fuzz"
  bash "$root/fuzz/run.sh" 60
fi
