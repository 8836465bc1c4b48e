#!/usr/bin/env bash
# Draws the pictures of the screen-recording controls (ImageMagick).
# Run from anywhere; the output is committed, so the build does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p image/media

# Record (also "go on" on the checked pause button): a red dot.
convert -size 24x24 xc:none -fill '#e53935' -draw 'circle 12,12 12,4' PNG32:image/media/record-1.png
# Recording under way (the action's icon): a white square on the red dot, "stop".
convert -size 24x24 xc:none -fill '#e53935' -draw 'circle 12,12 12,3' -fill white \
    -draw 'roundrectangle 8,8 15,15 1,1' PNG32:image/media/play-0.png
# Pause: two white bars on a dark disc.
convert -size 24x24 xc:none -fill '#464646' -draw 'circle 12,12 12,2' -fill white \
    -draw 'rectangle 8,7 10,16' -draw 'rectangle 14,7 16,16' PNG32:image/media/stop-0.png
