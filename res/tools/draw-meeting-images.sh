#!/usr/bin/env bash
# Draws the idle picture of the meeting panel and the spare panel (ImageMagick); the spare panel's buttons are
# those of the RTMP panel (res/meeting.qrc). Run from anywhere; the output is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
out=vrek/image/mediaview2
mkdir -p "$out"

# A video camera on a dark ground: the idle picture, 5:3 like the meeting's main view.
convert -size 640x384 gradient:'#2b3440-#1b2028' -fill '#3c4756' -draw 'roundrectangle 232,142 372,242 14,14' \
    -draw 'polygon 380,172 430,142 430,242 380,212' -fill '#55c1ff' -draw 'circle 302,192 302,172' \
    -strip "PNG24:$out/defaultmedia.png"
