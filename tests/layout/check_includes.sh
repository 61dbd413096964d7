#!/usr/bin/env bash
# Checks that includes run one way between the source trees:
#   - the portable core (src/core) includes no Qt header and nothing of src/qt;
#   - within the core, folders include only their own level or the levels
#     below: platform, text, settings, cmdline and input at the bottom, then
#     linecheck, then terminal; a new core folder must be given its level here;
#   - within the Qt program, dialogs do not include the frame, the terminal
#     view neither the frame nor the dialogs, the network layer no user
#     interface, and nothing but the start-up includes the start-up;
#   - the X11 code lives in src/qt/x11 alone: no other folder includes an X11
#     or xcb header, only the frame includes x11, and x11 includes nothing of
#     the program but the status panes whose lock-key state it fills.
#   - the screen's state (TerminalScreen's fields) is private, and no source
#     of the program, its tools, benchmarks or fuzzers names a field of it
#     outside the screen's own files: others read and change the screen only
#     through its readers and operations.
# Prints every offending line and fails if there is one.
set -u
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root/src" || exit 2
status=0
offend() {  # description, then grep output
  local what=$1 lines=$2
  if [ -n "$lines" ]; then
    printf '%s:\n%s\n' "$what" "$lines"
    status=1
  fi
}
include='^[[:space:]]*#[[:space:]]*include[[:space:]]*'
qt_folders=$(cd qt && ls -d */ | tr -d / | paste -sd'|')
offend "the core includes Qt" \
  "$(grep -rnE "${include}[<\"](Q|qt)" core)"
offend "the core includes the Qt program" \
  "$(grep -rnE "${include}\"(${qt_folders})/" core)"
offend "a dialog includes the frame or the session's host" \
  "$(grep -rnE "${include}\"((frame|app)/|platform/SessionHost)" qt/dialogs)"
offend "the terminal view includes the frame, the start-up or a dialog" \
  "$(grep -rnE "${include}\"(frame|app|dialogs)/" qt/view)"
offend "the network layer includes the user interface" \
  "$(grep -rnE "${include}\"(frame|view|app|dialogs)/" qt/net)"
offend "something outside start-up includes it" \
  "$(grep -rnE "${include}\"app/" qt/frame qt/view qt/dialogs qt/net)"
offend "an X11 or xcb header outside the x11 folder" \
  "$(grep -rnE "${include}<(X11|xcb)/" core $(ls -d qt/*/ | grep -vx 'qt/x11/'))"
offend "something besides the frame includes the x11 folder" \
  "$(grep -rnE "${include}\"x11/" qt/view qt/dialogs qt/net qt/app)"
offend "the x11 folder includes the program beyond the status panes" \
  "$(grep -rnE "${include}\"(frame|view|app|dialogs|net)/" qt/x11 | grep -v '"frame/StatusPanes.h"')"

# The core's levels, lowest first; a folder may include its own level and
# those before it, never one after.
core_levels=("platform text settings cmdline input" "linecheck" "terminal")
unplaced=$(cd core && ls -d */ | tr -d / | grep -vxF -f <(printf '%s\n' ${core_levels[*]}))
offend "a core folder without a level in check_includes.sh" "$unplaced"
for ((level = 0; level < ${#core_levels[@]}; ++level)); do
  above=$(printf '%s\n' "${core_levels[@]:level+1}" | tr ' ' '\n' | grep . | paste -sd'|')
  [ -n "$above" ] || continue
  for folder in ${core_levels[level]}; do
    offend "core/$folder includes a folder above its level" \
      "$(grep -rnE "${include}\"(${above})/" "core/$folder")"
  done
done
screen_fields='m_nWidth|m_nHeight|m_nCursorCol|m_nCursorRow|m_nSavedCol|m_nSavedRow|m_nScrollTop|m_nScrollBottom|m_nLineCount|m_nBufferSize|m_nAttr|m_nSavedAttr|m_bLineDrawing|m_bG0LineDrawing|m_bG1LineDrawing|m_bShiftOut|m_nLastPrinted|m_DirtyLines|m_Text|m_Attrs|m_History'
offend "something outside the screen names its fields" \
  "$(grep -rnE "(\.|->)(${screen_fields})\b" core qt ../tools ../bench ../fuzz \
    --include='*.cpp' --include='*.h' | grep -vE '^core/terminal/Screen\.(h|cpp):')"
# The first access specifier above the grid's width must be private.
offend "the screen's state is not private" \
  "$(awk '/^class TerminalScreen \{/ { in_class = 1 }
          in_class && /^ *(public|protected|private):/ { access = $1 }
          in_class && /^ *int m_nWidth/ { if (access != "private:") print FILENAME ": " access; exit }' \
     core/terminal/Screen.h)"
exit $status
