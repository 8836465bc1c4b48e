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
    "PNG24:$out/defaultmedia.png"
# The same camera struck through, greyer: a stream has started, its first picture has not come.
convert -size 320x240 xc:'#30363f' -fill '#5a6370' -draw 'roundrectangle 106,90 186,150 8,8' \
    -draw 'polygon 192,108 222,90 222,150 192,132' -stroke '#e5533d' -strokewidth 8 -draw 'line 100,70 226,170' \
    "PNG24:$out/nocamera.png"
