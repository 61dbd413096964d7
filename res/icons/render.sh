#!/usr/bin/env bash
# Renders corvane.svg into the PNG sizes the desktop's icon theme looks for
# (hicolor). The PNGs are committed; run this again after changing the drawing.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" corvane.svg -o "corvane-$size.png"
done
