#!/usr/bin/env bash
# Draws the pictures of the recorded-lessons page, its recordings window and the recorded-lesson player
# (ImageMagick). Run from anywhere; the output is committed, so the build does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p vrek/image/classmanagerview image/videoBack image/media

# The recordings window's buttons carry a 12 x 12 white mark: an arrow up, a bin.
convert -size 12x12 xc:none -fill white -draw 'polygon 6,1 1,6 4,6 4,11 8,11 8,6 11,6' \
    PNG32:vrek/image/classmanagerview/upload.png
convert -size 12x12 xc:none -fill white -draw 'rectangle 2,2 9,3' -draw 'rectangle 4,0 7,1' \
    -draw 'polygon 2,4 9,4 8,11 3,11' PNG32:vrek/image/classmanagerview/delete.png

# The lesson list's return button, 20 x 20: a chevron left in grey, blue under the mouse.
for pair in "return #666666" "returnhover #0081ff"; do
    set -- $pair
    convert -size 20x20 xc:none -fill none -stroke "$2" -strokewidth 3 -draw 'polyline 13,3 6,10 13,17' \
        "PNG32:image/videoBack/$1.png"
done

# The player's controls on its dark bar (#242D36): steps back and forward (double triangles), play and pause
# (the checked play button shows "playing", a pause mark), and the volume's speaker.
disc() { # name draw...
    local name=$1
    shift
    convert -size 32x32 xc:none -fill '#33414f' -draw 'circle 16,16 16,1' -fill '#cfe3f5' -stroke none "$@" \
        "PNG32:image/media/$name.png"
}
disc leftadd -draw 'polygon 15,9 15,23 7,16' -draw 'polygon 24,9 24,23 16,16'
disc rightadd -draw 'polygon 8,9 8,23 16,16' -draw 'polygon 17,9 17,23 25,16'
disc paused -draw 'polygon 12,8 12,24 25,16'
disc playing -draw 'rectangle 10,9 14,23' -draw 'rectangle 18,9 22,23'
disc play -draw 'polygon 12,8 12,24 25,16'
disc pause -draw 'rectangle 10,9 14,23' -draw 'rectangle 18,9 22,23'
convert -size 16x16 xc:none -fill '#7494aa' -draw 'polygon 1,5 4,5 8,1 8,15 4,11 1,11' \
    -fill none -stroke '#7494aa' -strokewidth 1.5 -draw 'arc 6,4 13,12 -60,60' -draw 'arc 6,1 16,15 -60,60' \
    PNG32:image/media/audioVolume.png
