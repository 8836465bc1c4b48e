#!/usr/bin/env bash
# Draws the device check's pictures (step buttons, play button, camera placeholders) with ImageMagick and makes
# its test sound with ffmpeg: a short tune, 44.1 kHz 16-bit stereo PCM, the format the speaker test plays in.
# Run from anywhere; the output is committed, so the build needs neither tool.
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=vrek/image/classmanagerview
mkdir -p "$OUT" otherres

# The step glyphs, drawn into a 24x24 box whose top left corner is at 20,8 of a 140x40 step button; glyph
# leaves the drawing arguments in GLYPH.
glyph() { # name colour
    local c=$2
    case $1 in
    system) GLYPH=(-fill none -stroke "$c" -strokewidth 2 -draw 'roundrectangle 21,10 43,26 2,2'
        -stroke none -fill "$c" -draw 'rectangle 30,27 34,30' -draw 'roundrectangle 25,30 39,32 1,1') ;;
    speak) GLYPH=(-fill "$c" -draw 'polygon 21,16 26,16 32,10 32,30 26,24 21,24' -fill none -stroke "$c"
        -strokewidth 2 -draw 'arc 29,14 39,26 -60,60' -draw 'arc 29,10 45,30 -60,60') ;;
    micro) GLYPH=(-fill "$c" -draw 'roundrectangle 28,8 36,23 4,4' -fill none -stroke "$c" -strokewidth 2
        -draw 'arc 24,12 40,27 0,180' -draw 'line 32,28 32,31' -draw 'line 27,32 37,32') ;;
    video) GLYPH=(-fill "$c" -draw 'roundrectangle 20,13 36,27 3,3' -draw 'polygon 37,18 44,13 44,27 37,22') ;;
    esac
}

# A step button: _01 passed (grey glyph), _02 current (blue on light blue with a bar), _03 failed (red with a
# cross).
for step in system speak micro video; do
    glyph $step '#8c98a8'
    convert -size 140x40 xc:none "${GLYPH[@]}" "PNG32:$OUT/${step}_01.png"
    glyph $step '#0081ff'
    convert -size 140x40 'xc:#e8f2ff' -fill '#0081ff' -draw 'rectangle 0,0 2,39' "${GLYPH[@]}" \
        "PNG32:$OUT/${step}_02.png"
    glyph $step '#da545c'
    convert -size 140x40 xc:none "${GLYPH[@]}" -stroke none -fill '#da545c' -draw 'circle 46,10 46,5' \
        -stroke white -strokewidth 1.5 -draw 'line 44,8 48,12' -draw 'line 48,8 44,12' "PNG32:$OUT/${step}_03.png"
done

# The play button's icon: a white triangle on a blue disc.
convert -size 48x48 xc:none -fill '#0081ff' -draw 'circle 24,24 24,2' -fill white \
    -draw 'polygon 19,14 36,24 19,34' -resize 24x24 "PNG32:$OUT/play_01.png"

# The camera preview's placeholders, 190x142: no preview (a crossed-out camera), and a camera being opened.
camera() { # file colour extra...
    local file=$1 colour=$2
    shift 2
    convert -size 190x142 'xc:#2b2f36' -fill "$colour" -draw 'roundrectangle 66,52 112,90 6,6' \
        -draw 'polygon 114,62 130,52 130,90 114,80' "$@" "PNG32:$file"
}
camera "$OUT/videoopen1.png" '#6b7380' -stroke '#da545c' -strokewidth 4 -draw 'line 62,46 134,96'
camera "$OUT/videoopen2.png" '#0081ff' -fill '#9cc9ff' -draw 'circle 83,110 83,106' -draw 'circle 95,110 95,106' \
    -draw 'circle 107,110 107,106'

# The test sound: eight notes of 0.4 s up and down a C major chord, each swelling and fading so that the note
# changes do not click.
note='if(lt(t,0.4),523.25,if(lt(t,0.8),659.25,if(lt(t,1.2),783.99,if(lt(t,1.6),1046.5,if(lt(t,2.0),783.99,if(lt(t,2.4),659.25,if(lt(t,2.8),587.33,523.25)))))))'
tone="sin(PI*mod(t,0.4)/0.4)*(0.28*sin(2*PI*${note}*t)+0.07*sin(4*PI*${note}*t))"
ffmpeg -v error -y -f lavfi -i "aevalsrc='${tone}|${tone}':s=44100:d=3.2" -ac 2 -c:a pcm_s16le -bitexact \
    -map_metadata -1 otherres/w.wav
