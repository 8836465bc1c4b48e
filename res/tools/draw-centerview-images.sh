#!/usr/bin/env bash
# Draws the center view's default picture and the course video controls (ImageMagick): the picture shown while
# no course file is open (a board with an open book, no text), back and forward 15 seconds, pause and play.
# Run from anywhere; the output is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=vrek/image/centerview
mkdir -p "$OUT"

BLUE='#0081ff'

# The default view: a pale board with a green slate and an open book on it.
convert -size 1280x720 gradient:'#f4f8fc'-'#e3ecf5' \
    -fill '#2f6b4f' -stroke '#8a6a45' -strokewidth 18 -draw 'roundrectangle 240,110 1040,560 18,18' \
    -stroke none -fill '#ffffff' \
    -draw 'polygon 640,250 470,215 470,440 640,475' -draw 'polygon 640,250 810,215 810,440 640,475' \
    -stroke '#c9d6e3' -strokewidth 4 -draw 'line 640,250 640,475' \
    -stroke '#9fb3c8' -strokewidth 5 \
    -draw 'line 500,265 610,285' -draw 'line 500,310 610,330' -draw 'line 500,355 610,375' \
    -draw 'line 670,285 780,265' -draw 'line 670,330 780,310' -draw 'line 670,375 780,355' \
    -stroke none -fill '#8a6a45' -draw 'rectangle 300,585 980,605' \
    -fill '#f6c342' -draw 'rectangle 880,535 960,550' \
    "PNG24:$OUT/defaultview.png"

# Back and forward: two chevrons on a rounded grey pill.
seek() { # file polyline1 polyline2
    convert -size 44x30 xc:none -fill '#00000018' -stroke none -draw 'roundrectangle 0,0 43,29 14,14' \
        -fill none -stroke "$BLUE" -strokewidth 3 \
        -draw "stroke-linecap round stroke-linejoin round polyline $2" \
        -draw "stroke-linecap round stroke-linejoin round polyline $3" "PNG32:$1"
}
seek "$OUT/videoback.png" '21,8 14,15 21,22' '30,8 23,15 30,22'
seek "$OUT/videoforward.png" '14,8 21,15 14,22' '23,8 30,15 23,22'

# Pause (shown while playing) and play (shown while paused): a blue disc with white bars or a triangle.
convert -size 32x32 xc:none -fill "$BLUE" -draw 'circle 15.5,15.5 15.5,1' \
    -fill white -draw 'roundrectangle 10,9 13,22 1,1' -draw 'roundrectangle 18,9 21,22 1,1' \
    "PNG32:$OUT/videopause.png"
convert -size 32x32 xc:none -fill "$BLUE" -draw 'circle 15.5,15.5 15.5,1' \
    -fill white -draw 'polygon 12,9 23,15.5 12,22' "PNG32:$OUT/videoplay.png"
