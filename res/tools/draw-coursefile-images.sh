#!/usr/bin/env bash
# Draws the pictures of the course file bar (ImageMagick): one icon per kind of course file, the tile's delete
# button and the panel's add button. Run from anywhere; the output is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=vrek/image/centerview
mkdir -p "$OUT"
FONT=$(fc-match -f '%{file}' 'DejaVu Sans:bold')

# A sheet with a folded corner in the kind's colour and a short label on it.
document() { # file colour label
    convert -size 80x80 xc:none -fill white -stroke "$2" -strokewidth 3 \
        -draw 'polygon 14,4 52,4 68,20 68,76 14,76' -fill "$2" -stroke none -draw 'polygon 52,4 52,20 68,20' \
        -draw 'roundrectangle 6,36 60,62 4,4' -font "$FONT" -pointsize 18 -fill white -gravity northwest \
        -annotate "+$((33 - ${#3} * 6))+38" "$3" "PNG32:$OUT/$1"
}
document ppt.png '#d24726' 'PPT'
document pdf.png '#e02020' 'PDF'
document word.png '#2b579a' 'W'

# Pictures: a framed landscape.
convert -size 80x80 xc:none -fill white -stroke '#1aa260' -strokewidth 3 -draw 'roundrectangle 6,12 74,68 6,6' \
    -stroke none -fill '#1aa260' -draw 'polygon 12,62 32,34 46,52 54,42 68,62' -fill '#f6c342' \
    -draw 'circle 56,26 61,26' "PNG32:$OUT/pic.png"

# Video: a film frame with a play mark.
convert -size 80x80 xc:none -fill '#7b4bd6' -draw 'roundrectangle 4,14 76,66 8,8' -fill white \
    -draw 'polygon 32,26 32,54 56,40' "PNG32:$OUT/video.png"

# Sound: a note.
convert -size 80x80 xc:none -fill '#f08c00' -draw 'roundrectangle 4,4 76,76 14,14' -fill white \
    -draw 'ellipse 30,56 9,7 0,360' -draw 'rectangle 36,18 40,56' -draw 'polygon 36,18 58,24 58,32 40,27' \
    "PNG32:$OUT/audio.png"

# Delete: a white cross on a red disc.
convert -size 30x30 xc:none -fill '#f04848' -draw 'circle 15,15 15,2' -stroke white -strokewidth 3 \
    -draw 'line 10,10 20,20' -draw 'line 20,10 10,20' "PNG32:$OUT/deletefile.png"

# Add: a blue plus in a rounded square.
convert -size 32x32 xc:none -fill '#0081ff' -draw 'roundrectangle 1,1 30,30 6,6' -fill white \
    -draw 'rectangle 14,7 17,24' -draw 'rectangle 7,14 24,17' "PNG32:$OUT/add-1.png"
