#!/usr/bin/env bash
# The desktop entry, the AppStream metainfo and the icons are what desktops
# and software centres accept.
#   metadata_valid.sh DESKTOP_ENTRY METAINFO ICON_DIR
set -uo pipefail
desktop=$1 metainfo=$2 icons=$3
for tool in desktop-file-validate appstreamcli python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
status=0
desktop-file-validate "$desktop" || status=1
grep -qx 'MimeType=x-scheme-handler/telnet;' "$desktop" || { echo "FAIL: no telnet handler"; status=1; }
appstreamcli validate --no-net --pedantic "$metainfo" || status=1
# Each PNG is as large as the hicolor folder it is installed in.
python3 - "$icons" <<'PY' || status=1
import struct, sys, pathlib
bad = 0
for size in (16, 22, 24, 32, 48, 64, 128, 256):
    data = (pathlib.Path(sys.argv[1]) / f"corvane-{size}.png").read_bytes()
    w, h = struct.unpack(">II", data[16:24])
    if data[:8] != b"\x89PNG\r\n\x1a\n" or (w, h) != (size, size):
        print(f"FAIL: corvane-{size}.png is {w}x{h}")
        bad = 1
sys.exit(bad)
PY
[ $status -eq 0 ] && echo "PASS: desktop entry, metainfo and icons are valid"
exit $status
