#!/usr/bin/env bash
# The manual pages list the same options as the programs' own usage texts, and
# man renders them without a warning.
#   man_matches_help.sh CORVANE SCREENDUMP MAN_DIR
set -uo pipefail
corvane=$1 screendump=$2 man_dir=$3
status=0

options() { grep -oE -- '--[a-z][a-z-]*' | sort -u; }
# In roff a dash is written "\-"; only option names have two in a row.
page_options() { sed 's/\\-/-/g' "$1" | options; }

compare() {  # name, usage text, page
  local usage page
  usage=$(printf '%s\n' "$2" | options)
  page=$(page_options "$3")
  if [ -z "$usage" ] || [ "$usage" != "$page" ]; then
    echo "FAIL: $1: --help lists [$(echo $usage)], $(basename "$3") lists [$(echo $page)]"
    status=1
  fi
}

compare corvane "$("$corvane" --help)" "$man_dir/corvane.1"
# screendump prints its usage on standard output when asked.
compare screendump "$("$screendump" --help 2>&1)" "$man_dir/screendump.1"

if command -v man >/dev/null; then
  for page in "$man_dir"/*.1; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "FAIL: $(basename "$page"): $warnings"; status=1; }
  done
fi
[ $status -eq 0 ] && echo "PASS: the manual pages list the options of --help"
exit $status
