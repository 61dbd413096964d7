#!/usr/bin/env bash
# Builds Corvane and runs every test, each build in a folder of this checkout
# from its preset in CMakePresets.json (warnings are errors in every one):
#   0. lint         clang-format and clang-tidy (scripts/lint.sh);
#   1. build/       the whole suite in a normal build (preset dev);
#   2. build-asan/  the whole suite again with AddressSanitizer + UndefinedBehaviorSanitizer;
#                   the first report ends the test that made it; the core's GoogleTest
#                   cases run a process per suite, not per case (start-up is costly here);
#   3. build-tsan/  with ThreadSanitizer, every test that may run threads, front end
#                   included, a process per suite as in 2; the hardening floods (one
#                   thread busy, slow there) and the tests labelled onethread are left out;
#   4. build-fuzz/  every fuzz target for about 30 seconds from its seed corpus, with
#                   a fixed seed so a run can be repeated, two at a time on two cores;
#   5. build-package/ the Debian package (scripts/package.sh), checked by lintian
#                   (errors fail, warnings are shown) and unpacked into a
#                   temporary folder, where screendump and corvane --version run.
# Each step prints how long it took. The tests of a tree mostly wait (on timers,
# windows and hosts), so while they run the next builds (and the lint) run
# behind them at the lowest priority; their output follows once they end.
#   scripts/test.sh [--quick] [--install-deps]
# --quick runs step 1 only, and of it only the core's tests and the Qt tests on the
# offscreen platform: the full run adds the real-window, end-to-end, real-host,
# hardening and packaging tests, and steps 0 and 2-5. Packages are installed
# (scripts/install-deps.sh, apt-get through sudo) with --install-deps, or when one
# the suite needs is missing, which is then named; with everything in place no
# root is needed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
quick=0
install=0
for arg in "$@"; do
  case "$arg" in
    --quick) quick=1 ;;
    --install-deps) install=1 ;;
    *) echo "usage: $0 [--quick] [--install-deps]" >&2; exit 2 ;;
  esac
done
if [ $install -eq 0 ] && ! missing=$(bash "$root/scripts/install-deps.sh" --check); then
  echo "Missing packages the suite needs: $missing"
  install=1
fi
[ $install -eq 0 ] || bash "$root/scripts/install-deps.sh"

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
passed=0  # tests passed over every step; any failure stops the script

tree() {  # preset -> its build folder
  if [ "$1" = dev ]; then echo "$root/build"; else echo "$root/build-$1"; fi
}

build() {  # preset
  local dir start=$SECONDS
  dir=$(tree "$1")
  echo "=== build $dir (preset $1)"
  (cd "$root" && cmake --preset "$1" >/dev/null)
  cmake --build "$dir" -j "$jobs"
  echo "=== build $dir took $((SECONDS - start)) s"
}

run_tests() {  # preset, ctest args...
  local dir start=$SECONDS count
  dir=$(tree "$1")
  shift
  echo "=== test $dir"
  # A failed test gets one more try: the real-window tests depend on the
  # window manager's and the host's timing, which the builds running behind
  # the tests stretch. A test that fails twice fails the run; one that passed
  # only on its second try is named below, with its first failure above.
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --repeat until-pass:2 "$@" |
    tee "$dir/ctest.out"
  local retried
  retried=$(sed -n 's/.*Test *#[0-9]*: \([^ ]*\) .*\*\*\*\(Failed\|Timeout\|Exception\).*/\1/p' \
    "$dir/ctest.out" | sort -u | tr '\n' ' ')
  [ -z "$retried" ] || echo "=== passed only on a second try: $retried"
  count=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$dir/ctest.out")
  passed=$((passed + ${count:-0}))
  echo "=== test $dir took $((SECONDS - start)) s"
}

lint() {
  local start=$SECONDS
  bash "$root/scripts/lint.sh"
  echo "=== lint took $((SECONDS - start)) s"
}

# One step at a time runs behind the tests, niced, in a process group of its
# own so that it can be stopped with the script; its output goes to a file.
behind=
behind_log=$(mktemp)
trap '[ -z "$behind" ] || kill -- -"$behind" 2>/dev/null || true; rm -f "$behind_log"' EXIT
start_behind() {  # command or function...
  set -m
  { renice -n 19 -p "$BASHPID" >/dev/null; "$@"; } >"$behind_log" 2>&1 &
  behind=$!
  set +m
}
finish_behind() {
  local status=0
  wait "$behind" || status=$?
  behind=
  cat "$behind_log"
  [ $status -eq 0 ] || { echo "=== the step behind the tests failed (exit $status)"; exit $status; }
}

if [ $quick -eq 1 ]; then
  build dev
  run_tests dev -LE 'desktop|e2e|hardening|realhosts|packaging|wayland'
  echo "tests: $passed passed, 0 failed"
  exit 0
fi

build dev
lint_then_build_asan() {
  lint
  build asan
}
start_behind lint_then_build_asan
run_tests dev
finish_behind

start_behind build tsan
# Leaks inside fontconfig (its configuration parser, run by Qt's font database)
# and libdbus (Qt's accessibility bridge on a real X display) are not ours to fix.
printf 'leak:libfontconfig.so\nleak:libdbus-1.so\n' > "$root/build-asan/lsan.supp"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS=suppressions="$root/build-asan/lsan.supp" \
  run_tests asan
finish_behind

# The fuzz targets and the package are built behind the thread sanitizer's tests.
build_fuzz_and_package() {
  local start=$SECONDS
  echo "=== build $root/build-fuzz (preset fuzz)"
  (cd "$root" && cmake --preset fuzz >/dev/null)
  cmake --build "$root/build-fuzz" -j "$jobs"
  echo "=== build $root/build-fuzz took $((SECONDS - start)) s"
  start=$SECONDS
  bash "$root/scripts/package.sh" "$root/build-package"
  echo "=== build $root/build-package took $((SECONDS - start)) s"
}
start_behind build_fuzz_and_package
# Qt itself is not built with the thread sanitizer, so the sanitizer cannot see
# Qt's locks: accesses made inside Qt are ignored, and a functor handed to the
# user-interface thread through Qt's event queue (invokeMethod) is not a race.
# QProcess starts programs from a process with threads, which is fine as the
# child runs exec at once.
printf 'race:invokeMethod\n' > "$root/build-tsan/tsan.supp"
# Tests labelled onethread never start a second thread: nothing to watch.
TSAN_OPTIONS="halt_on_error=1 ignore_noninstrumented_modules=1 die_after_fork=0 suppressions=$root/build-tsan/tsan.supp" \
  run_tests tsan -LE 'hardening|onethread'
finish_behind

echo "=== fuzz"
start=$SECONDS
# A fixed seed: the suite's short runs must not turn red at random.
CORVANE_FUZZ_BUILD="$root/build-fuzz" bash "$root/fuzz/run.sh" --jobs="$jobs" --seed=1 30
echo "=== fuzz took $((SECONDS - start)) s"

echo "=== package"
start=$SECONDS
deb=$(ls "$root"/build-package/corvane_*.deb)
lint_status=0
lint=$(lintian --fail-on error "$deb" 2>&1) || lint_status=$?
printf '%s\n' "$lint" | grep -v 'root privileges' || true
[ $lint_status -eq 0 ] || { echo "lintian found errors in $deb"; exit 1; }
unpacked=$(mktemp -d)
dpkg -x "$deb" "$unpacked"
screen=$(printf 'hello\r\n\033[1mworld' | "$unpacked/usr/bin/screendump" --size 10x3)
expected=$(printf 'hello\nworld\n\ncursor 1 5')
[ "$screen" = "$expected" ] || { echo "unpacked screendump printed: $screen"; exit 1; }
version=$(dpkg-deb -f "$deb" Version)
[ "$("$unpacked/usr/bin/corvane" --version)" = "Corvane Version ${version%-*}" ] ||
  { echo "unpacked corvane --version is not ${version%-*}"; exit 1; }
rm -rf "$unpacked"
echo "=== package $(basename "$deb") took $((SECONDS - start)) s"
echo "=== every step passed in $SECONDS s"
echo "tests: $passed passed, 0 failed"
