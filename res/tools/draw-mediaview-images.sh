#!/usr/bin/env bash
# Draws the pictures of the lesson's media panels: the idle and the waiting video picture and the button bar's
# microphone, speaker and full-screen icons (ImageMagick).
# Run from anywhere; the output is committed, so the build does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
PANEL=vrek/image/mediaview
mkdir -p image/media "$PANEL"

# The idle picture (no video to show), 400x300: a dark stage with a grey camera and a hint of a play mark.
convert -size 400x300 gradient:'#2b3440-#161b22' -fill '#5d6b7a' \
    -draw 'roundrectangle 130,110 240,190 12,12' -draw 'polygon 244,135 290,108 290,192 244,165' \
    -fill '#2b3440' -draw 'polygon 172,128 172,172 208,150' PNG24:image/media/defaultmedia.png
cp image/media/defaultmedia.png "$PANEL/defaultmedia.png"
# A stream has started but no picture has come yet: the camera crossed out, "waiting" dots below it.
convert -size 400x300 xc:'#20262e' -fill '#6b7785' \
    -draw 'roundrectangle 130,100 240,180 12,12' -draw 'polygon 244,125 290,98 290,182 244,155' \
    -stroke '#e0e4e8' -strokewidth 8 -draw 'line 120,200 300,84' -stroke none -fill '#9aa5b1' \
    -draw 'circle 170,230 170,224' -draw 'circle 200,230 200,224' -draw 'circle 230,230 230,224' \
    PNG24:image/media/nocamera.png

# Button bar icons, 30x30, white on the black bar (drawn at 60x60 and scaled down for smooth edges).
icon() { # file primitives...
    local file=$1
    shift
    convert -size 60x60 xc:none "$@" -resize 30x30 "PNG32:$PANEL/$file"
}
MIC=(-fill white -draw 'roundrectangle 23,8 37,36 7,7' -fill none -stroke white -strokewidth 4
    -draw 'arc 15,18 45,44 0,180' -draw 'line 30,44 30,52' -draw 'line 21,52 39,52')
SPEAKER=(-fill white -draw 'polygon 10,23 20,23 32,12 32,48 20,37 10,37' -fill none -stroke white -strokewidth 4)
CROSS=(-stroke '#ff5252' -strokewidth 5 -draw 'line 10,10 50,50')
icon microOn.png "${MIC[@]}"
icon microOff2.png "${MIC[@]}" "${CROSS[@]}"
icon speakOn.png "${SPEAKER[@]}" -draw 'arc 26,20 42,40 -60,60' -draw 'arc 26,12 52,48 -60,60'
icon SpeakOff2.png "${SPEAKER[@]}" -stroke '#ff5252' -draw 'line 38,22 52,38' -draw 'line 52,22 38,38'
# Full screen: four corner brackets, grey, and white under the mouse.
corners() { # file colour
    icon "$1" -fill none -stroke "$2" -strokewidth 5 -draw 'polyline 10,24 10,10 24,10' \
        -draw 'polyline 36,10 50,10 50,24' -draw 'polyline 50,36 50,50 36,50' -draw 'polyline 24,50 10,50 10,36'
}
corners max_no_click.png '#c8c8c8'
corners max_click.png white
