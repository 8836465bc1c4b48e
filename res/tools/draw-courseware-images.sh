#!/usr/bin/env bash
# Draws the page arrows at the sides of the HTML and picture courseware (ImageMagick): a slim rounded bar with a
# chevron, -1 at rest (grey) and -2 pressed (blue). Run from anywhere; the output is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=vrek/image/centerview
mkdir -p "$OUT"

arrow() { # file background colour chevron
    convert -size 40x96 xc:none -fill "$2" -stroke none -draw 'roundrectangle 0,0 39,95 10,10' \
        -stroke "$3" -strokewidth 5 -fill none \
        -draw "stroke-linecap round stroke-linejoin round polyline $4" "PNG32:$1"
}
arrow "$OUT/leftarrow-1.png" '#00000022' '#666666' '26,30 13,48 26,66'
arrow "$OUT/leftarrow-2.png" '#0081ff33' '#0081ff' '26,30 13,48 26,66'
arrow "$OUT/rightarrow-1.png" '#00000022' '#666666' '14,30 27,48 14,66'
arrow "$OUT/rightarrow-2.png" '#0081ff33' '#0081ff' '14,30 27,48 14,66'
