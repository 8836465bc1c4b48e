#!/usr/bin/env bash
# Draws the pictures of the class tool bar: device check, screen lock, pad pairing, the rate arrows and the
# picture shown when no pairing code can be drawn (ImageMagick). Run from anywhere; the output is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
out=vrek/image/toolview
mkdir -p "$out"

# Device check: a gear, grey at rest, blue under the mouse.
gear() { # file colour
    convert -size 24x24 xc:none -fill "$2" -draw 'circle 12,12 12,3' \
        -fill none -stroke "$2" -strokewidth 3 -draw 'line 12,1 12,23' -draw 'line 1,12 23,12' \
        -draw 'line 4,4 20,20' -draw 'line 20,4 4,20' \
        -stroke none -fill white -draw 'circle 12,12 12,8' "PNG32:$out/$1"
}
gear set-1.png '#8a8a8a'
gear set-2.png '#0081ff'

# Screen lock: a padlock, open (unlocked) or shut (locked), grey at rest and blue under the mouse.
lock() { # file colour shut
    local shackle='arc 7,3 17,15 180,360'
    [ "$3" = open ] && shackle='arc 11,1 21,13 180,360'
    convert -size 24x24 xc:none -fill none -stroke "$2" -strokewidth 2.5 -draw "$shackle" \
        -stroke none -fill "$2" -draw 'roundrectangle 5,10 19,22 2,2' \
        -fill white -draw 'circle 12,16 12,14' "PNG32:$out/$1"
}
lock lock-1.png '#8a8a8a' open
lock lock-2.png '#0081ff' open
lock lock-3.png '#e53935' shut
lock lock-4.png '#b71c1c' shut

# Pad pairing: a tablet; grey at rest, blue under the mouse, green with a pad logged in, grey crossed when gone.
pad() { # file colour [crossed]
    local cross=()
    [ "${3:-}" = crossed ] && cross=(-stroke '#e53935' -strokewidth 2.5 -draw 'line 3,21 21,3')
    convert -size 24x24 xc:none -fill none -stroke "$2" -strokewidth 2 -draw 'roundrectangle 5,2 19,22 2,2' \
        -stroke none -fill "$2" -draw 'rectangle 8,5 16,16' -draw 'circle 12,19 12,18' "${cross[@]}" \
        "PNG32:$out/$1"
}
pad padconnect-1.png '#8a8a8a'
pad padconnect-2.png '#0081ff'
pad padconnect-3.png '#8a8a8a' crossed
pad padconnect-4.png '#00cc00'

# Rates: a small arrow up (upload) and down (download).
convert -size 10x10 xc:none -fill '#ff7f0d' -draw 'polygon 5,0 10,6 0,6' -draw 'rectangle 4,5 6,10' \
    "PNG32:$out/upload-2.png"
convert -size 10x10 xc:none -fill '#00a0e9' -draw 'polygon 5,10 10,4 0,4' -draw 'rectangle 4,0 6,5' \
    "PNG32:$out/download-1.png"

# No pairing code: a grey square with a red cross.
convert -size 235x235 xc:'#f2f2f2' -fill none -stroke '#cccccc' -strokewidth 4 -draw 'rectangle 2,2 232,232' \
    -stroke '#e53935' -strokewidth 10 -draw 'line 70,70 165,165' -draw 'line 165,70 70,165' \
    "PNG32:$out/qrerror.png"
