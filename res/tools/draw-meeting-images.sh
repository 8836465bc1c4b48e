#!/usr/bin/env bash
# Draws the pictures of the meeting panel and the spare panel: the idle picture of the meeting, the picture of a
# stream that has started but shows nothing yet, and the spare panel's audio and full-screen buttons
# (ImageMagick). Run from anywhere; the output is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
out=vrek/image/mediaview2
mkdir -p "$out"

# A video camera on a dark ground: the idle picture, 5:3 like the meeting's main view.
convert -size 640x384 gradient:'#2b3440-#1b2028' -fill '#3c4756' -draw 'roundrectangle 232,142 372,242 14,14' \
    -draw 'polygon 380,172 430,142 430,242 380,212' -fill '#55c1ff' -draw 'circle 302,192 302,172' \
    -strip "PNG24:$out/defaultmedia.png"
# The same camera struck through, greyer: a stream has started, its first picture has not come.
convert -size 320x240 xc:'#30363f' -fill '#5a6370' -draw 'roundrectangle 106,90 186,150 8,8' \
    -draw 'polygon 192,108 222,90 222,150 192,132' -stroke '#e5533d' -strokewidth 8 -draw 'line 100,70 226,170' \
    -strip "PNG24:$out/nocamera.png"

# The spare panel's button bar, 30x30 on black: microphone and speaker, on and muted; full screen, at rest and
# under the mouse (drawn at 60x60 and scaled down for smooth edges).
button() { # file primitives...
    local file=$1
    shift
    convert -size 60x60 xc:none "$@" -resize 30x30 -strip "PNG32:$out/$file"
}
mic=(-fill white -draw 'roundrectangle 23,10 37,36 7,7' -fill none -stroke white -strokewidth 3
    -draw 'arc 16,22 44,44 0,180' -draw 'line 30,44 30,52' -draw 'line 22,52 38,52')
speaker=(-fill white -draw 'polygon 12,24 22,24 34,12 34,48 22,36 12,36')
waves=(-fill none -stroke white -strokewidth 3 -draw 'arc 30,20 46,40 -60,60' -draw 'arc 30,12 54,48 -60,60')
cross=(-stroke '#e5533d' -strokewidth 4 -draw 'line 12,12 48,48')
button microOn.png "${mic[@]}"
button microOff2.png "${mic[@]}" "${cross[@]}"
button speakOn.png "${speaker[@]}" "${waves[@]}"
button SpeakOff2.png "${speaker[@]}" "${cross[@]}"
corners() { # file colour
    button "$1" -fill none -stroke "$2" -strokewidth 4 -draw 'polyline 12,24 12,12 24,12' \
        -draw 'polyline 36,12 48,12 48,24' -draw 'polyline 48,36 48,48 36,48' -draw 'polyline 24,48 12,48 12,36'
}
corners max_no_click.png white
corners max_click.png '#55c1ff'
