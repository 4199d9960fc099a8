#!/usr/bin/env bash
# Renders the icon theme's PNG sizes from adslconf.svg (needs rsvg-convert,
# Debian package librsvg2-bin). Run after changing the SVG; the PNGs are kept
# in the repository so that building needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "$size"
    rsvg-convert -w "$size" -h "$size" adslconf.svg -o "$size/adslconf.png"
done
