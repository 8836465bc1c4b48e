#!/usr/bin/env bash
# Draws the pictures of the courseware tool bar and of the pen option pop-up (ImageMagick). Each tool has three
# states: -1 at rest (grey), -2 under the mouse (blue), -3 checked (white on blue). Run from anywhere; the
# output is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=vrek/image/centerview
mkdir -p "$OUT"

GREY='#666666'
BLUE='#0081ff'

# Each glyph_NAME COLOUR fills G with ImageMagick drawing options in that colour.
glyph_drag() {
    G=(-draw 'line 24,8 24,40' -draw 'line 8,24 40,24' -stroke none -fill "$1"
        -draw 'polygon 24,3 18,11 30,11' -draw 'polygon 24,45 18,37 30,37'
        -draw 'polygon 3,24 11,18 11,30' -draw 'polygon 45,24 37,18 37,30')
}
glyph_laser() { G=(-draw 'line 10,38 30,18' -stroke none -fill '#ff3030' -draw 'circle 35,13 40,13'); }
glyph_pencil() { G=(-draw 'polygon 14,34 32,16 36,20 18,38' -stroke none -fill "$1" -draw 'polygon 12,36 16,40 8,44'); }
glyph_text() { G=(-stroke none -fill "$1" -draw 'rectangle 11,9 37,15' -draw 'rectangle 21,15 27,39'); }
glyph_line() { G=(-draw 'line 10,38 38,10'); }
glyph_ppen() { G=(-draw 'ellipse 24,24 16,11 0,360'); }
glyph_rect() { G=(-draw 'rectangle 9,13 39,35'); }
glyph_eraser() { G=(-draw 'polygon 10,30 26,14 38,26 22,42' -fill "$1" -draw 'polygon 10,30 18,22 30,34 22,42'); }
glyph_revert() { G=(-draw 'arc 10,12 40,42 185,420' -stroke none -fill "$1" -draw 'polygon 3,24 18,24 10,34'); }
glyph_cls() {
    G=(-draw 'rectangle 14,16 34,40' -draw 'line 10,12 38,12' -draw 'line 20,8 28,8'
        -draw 'line 20,21 20,35' -draw 'line 28,21 28,35')
}

tool() { # name
    local colour
    for state in 1 2 3; do
        local base=()
        case $state in
        1) colour=$GREY ;;
        2) colour=$BLUE ;;
        3) colour='#ffffff' base=(-fill "$BLUE" -draw 'roundrectangle 0,0 47,47 8,8') ;;
        esac
        "glyph_$1" "$colour"
        convert -size 48x48 xc:none "${base[@]}" -stroke "$colour" -fill none -strokewidth 3 "${G[@]}" \
            "PNG32:$OUT/$1-$state.png"
    done
}
for name in drag laser pencil text line ppen rect eraser revert cls; do
    tool "$name"
done

# Save (kept hidden by the bar) and maximize: two states each.
save() { # file colour
    convert -size 48x48 xc:none -stroke "$2" -fill none -strokewidth 3 -draw 'roundrectangle 9,9 39,39 3,3' \
        -draw 'rectangle 16,9 32,19' -draw 'rectangle 15,28 33,39' "PNG32:$1"
}
save "$OUT/save-1.png" "$GREY"
save "$OUT/save-2.png" "$BLUE"
convert -size 48x48 xc:none -stroke "$GREY" -fill none -strokewidth 3 \
    -draw 'polyline 8,18 8,8 18,8' -draw 'polyline 30,8 40,8 40,18' \
    -draw 'polyline 40,30 40,40 30,40' -draw 'polyline 18,40 8,40 8,30' "PNG32:$OUT/fullppt-1.png"
convert -size 48x48 xc:none -stroke "$BLUE" -fill none -strokewidth 3 \
    -draw 'polyline 18,8 18,18 8,18' -draw 'polyline 30,8 30,18 40,18' \
    -draw 'polyline 40,30 30,30 30,40' -draw 'polyline 18,40 18,30 8,30' "PNG32:$OUT/fullppt-2.png"

# The three line widths of the pen option pop-up: one bar each, 2, 4 and 6 pixels thick.
for i in 1 2 3; do
    half=$i
    convert -size 24x24 xc:none -fill '#333333' -draw "roundrectangle 4,$((12 - half)) 19,$((11 + half)) 1,1" \
        "PNG32:$OUT/linewidth-$i.png"
done
