#!/usr/bin/env bash
# Draws the pictures of the in-class panels: participant heads and row buttons, the menu bar's icons, the
# answer card, the praise notice and the leave dialog's mark (ImageMagick).
# Run from anywhere; the output is committed, so the build does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
USERS=vrek/image/userinfoview
MENU=vrek/image/menuview
mkdir -p "$USERS" "$MENU" vrek/image/otherview image/answer image/tip

# Participant heads, 50x50: a person's bust on a disc whose colour tells the role (the list rounds them).
head() { # file disc-colour [extra primitive]
    local file=$1 disc=$2
    shift 2
    convert -size 50x50 "xc:$disc" -fill white -draw 'circle 25,19 25,10' \
        -draw 'ellipse 25,50 17,15 180,360' "$@" "PNG32:$USERS/$file"
}
head head_01.png '#f39c12' # the lecturer
head head_02.png '#3a8ee6' # a student
head head_04.png '#9aa3ad' -stroke '#e53935' -strokewidth 4 -draw 'line 6,44 44,6' # a muted student
head head_06.png '#27ae60' # an observer (type 5)
# The badge frame of a prime participant: a gold ring around the head with a star at the top.
convert -size 56x56 xc:none -fill none -stroke '#f1c40f' -strokewidth 3 -draw 'circle 28,31 28,7' \
    -stroke none -fill '#f1c40f' -draw 'polygon 28,0 31,7 38,7 32,11 34,18 28,14 22,18 24,11 18,7 25,7' \
    "PNG32:$USERS/prime.png"
# A listening second login: a small headset.
convert -size 14x14 xc:none -fill '#0081ff' -draw 'circle 7,7 7,0' -stroke white -strokewidth 1.5 -fill none \
    -draw 'arc 3,3 11,12 180,360' -fill white -stroke none -draw 'rectangle 3,7 4,10' -draw 'rectangle 10,7 11,10' \
    "PNG32:$USERS/listener.png"

# Row buttons, 20x20 (drawn at 40x40 and scaled down for smooth edges).
icon() { # file size background primitives...
    local file=$1 size=$2
    shift 2
    convert -size "$size" xc:none "$@" -resize 20x20 "PNG32:$file"
}
camera() { # file colour [extra primitive]
    local file=$1 colour=$2
    shift 2
    icon "$USERS/$file" 40x40 -fill "$colour" -draw 'roundrectangle 3,11 28,31 4,4' \
        -draw 'polygon 29,17 38,11 38,31 29,25' "$@"
}
camera camera_02.png '#c2c7cc' -stroke '#e53935' -strokewidth 4 -draw 'line 4,4 36,36' # no camera
camera camera_03.png '#7d8590' # a camera, off
camera camera_04.png '#1aad19' # a camera, shown
# A raised hand.
icon "$USERS/handup_01.png" 40x40 -fill '#ff9800' -draw 'roundrectangle 12,6 16,24 2,2' \
    -draw 'roundrectangle 17,3 21,24 2,2' -draw 'roundrectangle 22,5 26,24 2,2' \
    -draw 'roundrectangle 27,9 31,26 2,2' -draw 'roundrectangle 11,18 31,36 6,6' \
    -draw 'polygon 11,28 4,18 7,16 14,24'
# The praise button: a flower the count is written over, normal and hover.
flower() { # file colour
    icon "$USERS/$1" 40x40 -fill "$2" -draw 'circle 20,9 20,2' -draw 'circle 31,17 31,10' \
        -draw 'circle 27,30 27,23' -draw 'circle 13,30 13,23' -draw 'circle 9,17 9,10' \
        -fill '#fff3c4' -draw 'circle 20,20 20,11'
}
flower praise_01.png '#ffb3c1'
flower praise_02.png '#ff7a93'

# Menu bar icons, 30x30, grey on the bar's light blue.
menu() { # file colour primitives...
    local file=$1 colour=$2
    shift 2
    convert -size 60x60 xc:none -fill none -stroke "$colour" -strokewidth 4 "$@" -resize 30x30 "PNG32:$MENU/$file"
}
GREY='#5b6b80'
menu video01.png "$GREY" -draw 'roundrectangle 6,16 40,44 5,5' -fill "$GREY" -draw 'polygon 42,24 54,16 54,44 42,36'
menu course01.png "$GREY" -draw 'roundrectangle 6,8 54,42 3,3' -draw 'line 30,42 30,52' -draw 'line 18,52 42,52' \
    -draw 'polyline 14,34 24,22 32,30 44,16'
menu painter01.png "$GREY" -draw 'roundrectangle 6,8 54,44 3,3' -draw 'line 16,36 38,14' -draw 'line 22,42 44,20'
menu answer01.png "$GREY" -draw 'roundrectangle 10,6 50,54 4,4' -draw 'polyline 18,22 23,28 32,16' \
    -draw 'line 36,22 44,22' -draw 'polyline 18,42 23,48 32,36' -draw 'line 36,42 44,42'
hand() { # file colour [extra]
    local file=$1 colour=$2
    shift 2
    convert -size 60x60 xc:none -fill "$colour" -draw 'roundrectangle 18,8 24,36 3,3' \
        -draw 'roundrectangle 26,4 32,36 3,3' -draw 'roundrectangle 34,7 40,36 3,3' \
        -draw 'roundrectangle 42,13 48,38 3,3' -draw 'roundrectangle 17,28 48,54 9,9' \
        -draw 'polygon 17,42 7,28 11,25 22,36' "$@" -resize 30x30 "PNG32:$MENU/$file"
}
hand handup01.png "$GREY"
hand handup02.png '#b8c0cc' -fill none -stroke '#e53935' -strokewidth 5 -draw 'circle 30,30 30,3' \
    -draw 'line 11,11 49,49' # hands forbidden
menu rollcall01.png "$GREY" -draw 'circle 24,20 24,10' -draw 'arc 8,34 40,62 180,360' \
    -draw 'polyline 38,34 44,40 54,28'
menu start01.png '#1aad19' -draw 'circle 30,30 30,5' -fill '#1aad19' -draw 'polygon 24,18 42,30 24,42'
menu start02.png '#e53935' -draw 'circle 30,30 30,5' -fill '#e53935' -draw 'rectangle 21,21 39,39'

# The praise notice, 136x190: a red flower with a smile above the text line.
convert -size 136x190 xc:none -fill '#ff5a7a' -draw 'circle 68,38 68,10' -draw 'circle 106,66 106,38' \
    -draw 'circle 92,110 92,82' -draw 'circle 44,110 44,82' -draw 'circle 30,66 30,38' \
    -fill '#ffd54f' -draw 'circle 68,76 68,44' -fill none -stroke '#c0392b' -strokewidth 4 \
    -draw 'arc 52,66 84,92 20,160' -stroke none -fill '#c0392b' -draw 'circle 58,68 58,64' \
    -draw 'circle 78,68 78,64' -fill '#2e9e44' -draw 'rectangle 65,118 71,186' \
    -draw 'ellipse 50,156 16,7 0,360' -draw 'ellipse 86,142 16,7 0,360' PNG32:vrek/image/otherview/praise01.png

# Answer card: the submit button (normal, hover), the option circles (free, chosen) and the result marks.
convert -size 98x40 xc:none -fill '#0081ff' -draw 'roundrectangle 0,0 97,39 20,20' PNG32:image/answer/en1.png
convert -size 98x40 xc:none -fill '#3399ff' -draw 'roundrectangle 0,0 97,39 20,20' PNG32:image/answer/en2.png
convert -size 68x68 xc:none -fill white -stroke '#c9d1dc' -strokewidth 3 -draw 'circle 34,34 34,3' \
    -resize 34x34 PNG32:image/answer/_r1_c3.png
convert -size 68x68 xc:none -fill '#0081ff' -draw 'circle 34,34 34,2' -resize 34x34 PNG32:image/answer/_r1_c1.png
convert -size 150x150 xc:none -fill '#1aad19' -draw 'circle 75,75 75,4' -fill none -stroke white -strokewidth 14 \
    -draw 'polyline 40,78 64,102 112,52' -resize 75x75 PNG32:image/answer/yes_1.png
convert -size 150x150 xc:none -fill '#e53935' -draw 'circle 75,75 75,4' -stroke white -strokewidth 14 \
    -draw 'line 48,48 102,102' -draw 'line 102,48 48,102' -resize 75x75 PNG32:image/answer/wrong_1.png

# The exclamation mark of the leave dialog and the lock notices.
convert -size 80x80 xc:none -fill '#ff9800' -draw 'circle 40,40 40,2' -fill white \
    -draw 'roundrectangle 35,14 45,52 5,5' -draw 'circle 40,63 40,57' -resize 40x40 PNG32:image/tip/exclamatory.png
