#!/usr/bin/env bash
# Static checks, quick enough to run before every push:
#   format  clang-format --dry-run --Werror over every .cpp/.h in src tests tools fuzz bench;
#   tidy    clang-tidy (.clang-tidy) over every source of the portable core and tools/,
#           with the compile commands of build/ (configured from the dev preset if need be).
#
#   scripts/lint.sh [format|tidy]...       no argument: both
# Environment: CORVANE_LINT_BUILD names another build folder for the compile commands.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
steps=("$@")
[ ${#steps[@]} -eq 0 ] && steps=(format tidy)
jobs=$(nproc)

check_format() {
  local start=$SECONDS
  local files
  mapfile -t files < <(find src tests tools fuzz bench -name '*.cpp' -o -name '*.h' | sort)
  echo "=== format: ${#files[@]} files"
  # One clang-format per file, run in parallel; each names what it would change.
  printf '%s\0' "${files[@]}" | xargs -0 -P "$jobs" -n 8 clang-format --dry-run --Werror ||
    { echo "format: run clang-format -i on the files above"; return 1; }
  echo "=== format took $((SECONDS - start)) s"
}

check_tidy() {
  local start=$SECONDS
  local build=${CORVANE_LINT_BUILD:-$root/build}
  if [ ! -f "$build/compile_commands.json" ]; then
    cmake --preset dev -B "$build" >/dev/null
  fi
  local files
  mapfile -t files < <(find src/core tools -name '*.cpp' | sort)
  # Every source must have its compile command, or its findings would go unseen.
  local f
  for f in "${files[@]}"; do
    grep -qF "\"file\": \"$root/$f\"" "$build/compile_commands.json" ||
      { echo "tidy: $f is not in $build/compile_commands.json (configure again)"; return 1; }
  done
  echo "=== tidy: ${#files[@]} files"
  # A file's findings come out together; clang-tidy's count of the warnings it
  # generated in system headers (and suppressed) is dropped.
  local status=0
  printf '%s\0' "${files[@]}" |
    xargs -0 -P "$jobs" -n 1 clang-tidy --quiet -p "$build" 2> >(grep -v 'warnings\? generated\.$' >&2) ||
    status=$?
  [ $status -eq 0 ] || { echo "tidy: findings above (exit $status)"; return 1; }
  echo "=== tidy took $((SECONDS - start)) s"
}

for step in "${steps[@]}"; do
  case "$step" in
    format) check_format ;;
    tidy) check_tidy ;;
    *) echo "usage: $0 [format|tidy]..." >&2; exit 2 ;;
  esac
done
