#!/bin/sh
# Draws the application icon's PNG files from its SVG pictures, into the
# hicolor tree under data/icons (they are kept in the repository, so the
# build needs no SVG renderer). Run it after changing either picture.
# Needs rsvg-convert (package librsvg2-bin).
set -eu
cd "$(dirname "$0")/../data/icons"
id=io.github.vellumtone.Vellumtone
for size in 16 22 24 32 48 64 128 256; do
    # Small sizes use the picture drawn on the 16-pixel grid.
    if [ "$size" -le 24 ]; then picture=small.svg; else picture=hicolor/scalable/apps/$id.svg; fi
    mkdir -p "hicolor/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" "$picture" -o "hicolor/${size}x${size}/apps/$id.png"
done
