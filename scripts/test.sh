#!/usr/bin/env bash
# Builds Corvane and runs every test, each build in a folder of this checkout
# from its preset in CMakePresets.json (warnings are errors in every one):
#   0. lint         clang-format and clang-tidy (scripts/lint.sh);
#   1. build/       the whole suite in a normal build (preset dev);
#   2. build-asan/  the whole suite again with AddressSanitizer + UndefinedBehaviorSanitizer;
#                   the first report ends the test that made it;
#   3. build-tsan/  with ThreadSanitizer, every test that may run threads, front end
#                   included; the hardening floods (one thread, slow there) are left out;
#   4. build-fuzz/  every fuzz target for about 30 seconds from its seed corpus;
#   5. build-package/ the Debian package (scripts/package.sh), checked by lintian
#                   (errors fail, warnings are shown) and unpacked into a
#                   temporary folder, where screendump and corvane --version run.
# Each step prints how long it took.
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

build_and_test() {  # preset, ctest args...
  local preset=$1; shift
  local dir=$root/build
  [ "$preset" = dev ] || dir=$root/build-$preset
  local start=$SECONDS
  echo "=== build $dir (preset $preset)"
  (cd "$root" && cmake --preset "$preset" >/dev/null)
  cmake --build "$dir" -j "$jobs"
  echo "=== test $dir"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@" | tee "$dir/ctest.out"
  local count
  count=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$dir/ctest.out")
  passed=$((passed + ${count:-0}))
  echo "=== $dir took $((SECONDS - start)) s"
}

if [ $quick -eq 0 ]; then
  start=$SECONDS
  bash "$root/scripts/lint.sh"
  echo "=== lint took $((SECONDS - start)) s"
fi
if [ $quick -eq 1 ]; then
  build_and_test dev -LE 'desktop|e2e|hardening|realhosts|packaging|wayland'
  echo "tests: $passed passed, 0 failed"
  exit 0
fi
build_and_test dev

# Leaks inside fontconfig (its configuration parser, run by Qt's font database)
# and libdbus (Qt's accessibility bridge on a real X display) are not ours to fix.
mkdir -p "$root/build-asan"
printf 'leak:libfontconfig.so\nleak:libdbus-1.so\n' > "$root/build-asan/lsan.supp"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS=suppressions="$root/build-asan/lsan.supp" \
  build_and_test asan

# Qt itself is not built with the thread sanitizer, so the sanitizer cannot see
# Qt's locks: accesses made inside Qt are ignored, and a functor handed to the
# user-interface thread through Qt's event queue (invokeMethod) is not a race.
# QProcess starts programs from a process with threads, which is fine as the
# child runs exec at once.
mkdir -p "$root/build-tsan"
printf 'race:invokeMethod\n' > "$root/build-tsan/tsan.supp"
TSAN_OPTIONS="halt_on_error=1 ignore_noninstrumented_modules=1 die_after_fork=0 suppressions=$root/build-tsan/tsan.supp" \
  build_and_test tsan -LE hardening

if [ -x "$root/fuzz/run.sh" ]; then
  echo "=== fuzz"
  start=$SECONDS
  CORVANE_FUZZ_BUILD="$root/build-fuzz" bash "$root/fuzz/run.sh" 30  # each target in turn
  echo "=== fuzz took $((SECONDS - start)) s"
fi
echo "=== package"
start=$SECONDS
deb=$(bash "$root/scripts/package.sh" "$root/build-package" | tail -n1)
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
