#!/usr/bin/env bash
# Checks that the code map in CONTRIBUTING.md matches the tree:
#   - every .cpp and .h under src/ and tools/ has its line in the map;
#   - every file and folder the map names exists;
#   - no file has two lines.
# The map is the fenced block(s) of the "## Code map" section. A line starting
# in column 0 names a path from the root (a folder ends with "/"); an indented
# line names a file in the folder named last. The rest of a line describes it.
# Prints every line to add or to remove and fails if there is one.
set -u
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 2
map=CONTRIBUTING.md
[ -f "$map" ] || { echo "$map is missing"; exit 1; }

# The paths the map names, one per line, in the order of the map.
named=$(awk '
  /^## /      { inmap = ($0 == "## Code map"); next }
  !inmap      { next }
  /^```/      { fenced = !fenced; next }
  !fenced     { next }
  /^[[:space:]]*$/ { next }
  /^[^[:space:]]/ {
    path = $1
    if (path ~ /\/$/) folder = path
    print path
    next
  }
  {
    if (folder == "") { printf "?indented line before any folder: %s\n", $1; next }
    print folder $1
  }
' "$map")

if [ -z "$named" ]; then
  echo "$map has no \"## Code map\" section with a fenced block"
  exit 1
fi

status=0
report() {  # heading, then the lines (may be empty)
  local what=$1 lines=$2
  if [ -n "$lines" ]; then
    printf '%s\n' "$what"
    printf '%s\n' "$lines" | sed 's/^/  /'
    status=1
  fi
}

report "lines of the map that are not a path:" \
  "$(printf '%s\n' "$named" | sed -n 's/^?//p')"

missing_paths=""
while IFS= read -r path; do
  case $path in '?'*) continue ;; esac
  [ -e "$path" ] || missing_paths+="$path"$'\n'
done <<<"$named"
report "named in the code map but not in the tree (remove or rename these lines):" \
  "${missing_paths%$'\n'}"

report "named twice in the code map:" \
  "$(printf '%s\n' "$named" | grep -v '/$' | sort | uniq -d)"

# Files without a line, grouped by the folder whose block they belong in.
unmapped=$(comm -23 \
  <(find src tools -type f \( -name '*.cpp' -o -name '*.h' \) | LC_ALL=C sort) \
  <(printf '%s\n' "$named" | LC_ALL=C sort))
report "in the tree but not in the code map (add a line under the folder shown):" \
  "$(printf '%s\n' "$unmapped" | sed -n 's|^\(.*/\)\([^/]*\)$|\1  \2|p')"

[ $status -eq 0 ] && echo "code map: $(printf '%s\n' "$named" | grep -vc '/$') files, all present"
exit $status
