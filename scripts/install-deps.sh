#!/usr/bin/env bash
# Installs the Debian packages Corvane needs to build, test and run.
# Safe to run again: it installs only what is missing, so with everything in
# place it needs no root.
#   scripts/install-deps.sh            install what is missing (apt-get, through sudo unless root)
#   scripts/install-deps.sh --check    only print what is missing; exit status 1 if anything is
set -euo pipefail
check=0
[ "${1:-}" = "--check" ] && check=1

packages=(
  cmake ninja-build g++ pkg-config ccache
  lld                                       # links the test trees several times faster
  qt6-base-dev libxkbcommon-dev             # Qt 6 Widgets, Network, Test
  libgtest-dev libgmock-dev                 # unit tests
  libbenchmark-dev libvterm-dev             # benchmarks (libvterm as the reference engine)
  clang libclang-rt-14-dev                  # fuzzing and sanitizers
  clang-format clang-tidy                   # scripts/lint.sh and scripts/pre-commit
  xvfb xdotool imagemagick x11-utils        # real-window tests and screenshots
  openbox                                   # a window manager for the real-window tests
  python3 fonts-dejavu-core
  inetutils-telnetd busybox-static less     # real telnet servers and a full-screen program for end-to-end tests
  dpkg-dev file lintian man-db appstream desktop-file-utils librsvg2-bin  # the Debian package, its checks, icons
  procps htop                               # top and htop under TERM=vt100 for the real-host tests
  vim                                       # vim under TERM=ansi: arrow keys in the real-host tests
  libx11-dev                                # lock-key panes: keyboard lights from the X server (XKB)
  x11-xkb-utils xclip wmctrl                # real-window tests: keyboard layouts, selections, window states
  sway wtype grim wl-clipboard qt6-wayland  # Wayland tests: headless compositor, keys, screenshots, clipboard
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ $check -eq 1 ]; then
  echo "${missing[*]}"
  exit 1
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
