#!/usr/bin/env bash
# Draws the application icon (two overlapping picture cards merging into a third colour)
# at the sizes the desktop wants, with ImageMagick. The program draws the same picture itself
# for its window icon; these files are what `cmake --install` puts into the icon theme.
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 128 256; do
  scale=$(echo "scale=4; $size / 64" | bc)
  convert -size "${size}x${size}" xc:none \
    -draw "scale $scale,$scale stroke #1e2846 stroke-width 1.5 fill #eb5f50 roundrectangle 6,10 40,44 5,5" \
    -draw "scale $scale,$scale stroke #1e2846 stroke-width 1.5 fill #468ce6 roundrectangle 24,20 58,54 5,5" \
    -draw "scale $scale,$scale stroke none fill #965abe rectangle 24.8,20.8 39.2,43.2" \
    -draw "scale $scale,$scale stroke none fill #ffffff40 roundrectangle 6,10 58,30 5,5" \
    "brindor-${size}.png"
done
