#!/usr/bin/env bash
# Shows that every rule of check_includes.sh fires: each row adds one
# offending line to a copy of the sources and expects the check to fail and
# to name the place. A rule whose pattern stopped matching would otherwise
# pass in silence for ever.
set -u
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
check=$root/tests/layout/check_includes.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
# file (under src) | line added to it | text the report must contain
while IFS='|' read -r file line expect; do
  rm -rf "$work/src" && cp -r "$root/src" "$work/src" || exit 2
  mkdir -p "$(dirname "$work/src/$file")"
  printf '%s\n' "$line" >>"$work/src/$file"
  if report=$(bash "$check" "$work"); then
    echo "not caught: $file: $line"
    status=1
  elif ! grep -qF -- "$expect" <<<"$report"; then
    printf 'caught without naming %s: %s\n%s\n' "$expect" "$line" "$report"
    status=1
  fi
done <<'ROWS'
core/input/KeyTranslation.h|#include <QString>|core/input/KeyTranslation.h:
core/terminal/Screen.h|#include "frame/MainFrame.h"|core/terminal/Screen.h:
core/text/CodePage.h|#include "terminal/Screen.h"|core/text/CodePage.h:
core/settings/Profile.h|#include "linecheck/LineCheck.h"|core/settings/Profile.h:
core/platform/Connection.h|#include "terminal/TelnetSession.h"|core/platform/Connection.h:
core/linecheck/LineCheck.cpp|#include "terminal/Screen.h"|core/linecheck/LineCheck.cpp:
core/unplaced/Thing.h|#pragma once|unplaced
qt/dialogs/MacroDialog.h|#include "frame/MainFrame.h"|qt/dialogs/MacroDialog.h:
qt/view/PanArea.h|#include "dialogs/MacroDialog.h"|qt/view/PanArea.h:
qt/net/QtConnection.h|#include "view/TerminalView.h"|qt/net/QtConnection.h:
qt/frame/MainFrame.h|#include "app/TerminalApp.h"|qt/frame/MainFrame.h:
qt/view/PanArea.cpp|#include <X11/Xlib.h>|qt/view/PanArea.cpp:
qt/frame/FrameKeys.cpp|#include <xcb/xcb.h>|qt/frame/FrameKeys.cpp:
qt/net/QtConnection.cpp|#include "x11/EarlyKeys.h"|qt/net/QtConnection.cpp:
qt/x11/EarlyKeys.cpp|#include "frame/MainFrame.h"|qt/x11/EarlyKeys.cpp:
qt/x11/LastInputTime.cpp|#include "view/TerminalView.h"|qt/x11/LastInputTime.cpp:
ROWS
[ $status -eq 0 ] && echo "include rules: every rule fires"
exit $status
