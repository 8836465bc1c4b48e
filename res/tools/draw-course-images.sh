#!/usr/bin/env bash
# Draws the pictures of the course list: refresh button, loading animation, create button and the drop-down
# arrow (ImageMagick). Run from anywhere; the output is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p image/videoBack vrek/image/classmanagerview

# Refresh: a circular arrow, grey at rest, blue under the mouse.
refresh() { # file colour
    convert -size 27x27 xc:none -stroke "$2" -strokewidth 2.5 -fill none -draw 'arc 5,5 22,22 -60,250' \
        -stroke none -fill "$2" -draw 'polygon 17,2 24,8 16,11' "PNG32:$1"
}
refresh image/videoBack/refrash.png '#8a8a8a'
refresh image/videoBack/refrashhover.png '#0081ff'

# Loading: eight dots turning, one darker dot per frame.
frames=()
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for i in 0 1 2 3 4 5 6 7; do
    draws=()
    for j in 0 1 2 3 4 5 6 7; do
        x=$(awk -v a="$j" 'BEGIN{printf "%d", 16 + 10 * cos(a * 3.14159265 / 4)}')
        y=$(awk -v a="$j" 'BEGIN{printf "%d", 16 + 10 * sin(a * 3.14159265 / 4)}')
        if [ "$j" -eq "$i" ]; then colour='#0081ff'; else colour='#c8d8ec'; fi
        draws+=(-fill "$colour" -draw "circle $x,$y $((x + 2)),$y")
    done
    convert -size 32x32 xc:white "${draws[@]}" "$tmp/f$i.gif"
    frames+=("$tmp/f$i.gif")
done
convert -delay 10 -loop 0 "${frames[@]}" image/videoBack/wait.gif

# The create button, at rest and under the mouse; its text is drawn by the button.
convert -size 100x35 xc:none -fill '#ff8214' -draw 'roundrectangle 0,0 99,34 4,4' \
    PNG32:vrek/image/classmanagerview/xj_01.png
convert -size 100x35 xc:none -fill '#ff9a40' -draw 'roundrectangle 0,0 99,34 4,4' \
    PNG32:vrek/image/classmanagerview/xj_02.png

# The drop-down arrow of the create-course fields.
convert -size 9x5 xc:none -fill '#999999' -draw 'polygon 0,0 8,0 4,4' PNG32:vrek/image/classmanagerview/down_arrow.png
