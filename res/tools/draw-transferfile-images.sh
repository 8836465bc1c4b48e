#!/usr/bin/env bash
# Draws the pictures of the file transfer window: its upload, download and delete buttons (at rest, under the
# mouse, disabled) and the kind pictures of the transfer list (ImageMagick). Run from anywhere; the output is
# committed.
set -euo pipefail
cd "$(dirname "$0")/.."
out=vrek/image/transferfileview
mkdir -p "$out"

# A 65 x 40 button: a rounded face with a white symbol.
button() { # name state colour symbol-draw...
    local name=$1 state=$2 colour=$3
    shift 3
    convert -size 65x40 xc:none -fill "$colour" -draw 'roundrectangle 1,1 63,38 6,6' \
        -fill white -stroke none "$@" "PNG32:$out/${name}_${state}.png"
}
up=(-draw 'polygon 32,8 22,19 28,19 28,31 36,31 36,19 42,19')
down=(-draw 'polygon 32,32 22,21 28,21 28,9 36,9 36,21 42,21')
bin=(-draw 'rectangle 24,11 40,13' -draw 'rectangle 29,8 35,10' -draw 'polygon 25,15 39,15 37,32 27,32')
for pair in "1 #2a84e8" "2 #4f9cf0" "3 #b8c4d2"; do
    set -- $pair
    button upload "$1" "$2" "${up[@]}"
    button download "$1" "$2" "${down[@]}"
done
for pair in "1 #e8503a" "2 #f07360" "3 #d6b8b3"; do
    set -- $pair
    button delete "$1" "$2" "${bin[@]}"
done

# Kind pictures, 40 x 40: a page, a film frame with a play mark, a screen with a recording dot.
convert -size 40x40 xc:none -fill '#ffffff' -stroke '#5b8fd6' -strokewidth 2 \
    -draw 'polygon 9,3 25,3 32,10 32,37 9,37' -fill '#d5e4f7' -draw 'polygon 25,3 25,10 32,10' \
    -stroke '#9bbbe6' -draw 'line 14,18 27,18' -draw 'line 14,24 27,24' -draw 'line 14,30 23,30' \
    "PNG32:$out/document.png"
convert -size 40x40 xc:none -fill '#3d4a5c' -draw 'roundrectangle 3,7 37,33 4,4' \
    -fill white -draw 'polygon 16,13 16,27 28,20' "PNG32:$out/video.png"
convert -size 40x40 xc:none -fill '#3d4a5c' -draw 'roundrectangle 3,6 37,29 3,3' \
    -draw 'rectangle 16,29 24,33' -draw 'rectangle 11,33 29,35' \
    -fill '#e53935' -draw 'circle 20,17 20,11' "PNG32:$out/record.png"
