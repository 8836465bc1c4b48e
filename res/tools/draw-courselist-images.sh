#!/usr/bin/env bash
# Draws the pictures of the course-list window's homework and personal-centre pages (ImageMagick, WenQuanYi Micro
# Hei). Run from anywhere; the output is committed, so the build does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
FONT=$(fc-match -f '%{file}' 'WenQuanYi Micro Hei')
mkdir -p vrek/image/homework vrek/image/person

# The homework page's stand-in for the site's not-found page, 800x500 on the page's background: a sheet with a
# folded corner and a question mark, "404" and a line of text.
convert -size 800x500 xc:'#f8f8fd' \
    -fill '#ffffff' -stroke '#c9d3e3' -strokewidth 3 -draw 'polygon 330,70 440,70 480,110 480,250 330,250' \
    -fill '#dfe4e9' -draw 'polygon 440,70 440,110 480,110' \
    -stroke none -fill '#9aa7bd' -font "$FONT" -pointsize 80 -gravity northwest -annotate +382+110 '?' \
    -fill '#0081ff' -pointsize 72 -gravity north -annotate +0+270 '404' \
    -fill '#666666' -pointsize 22 -annotate +0+375 '抱歉，作业页面没有找到，请稍后再试' \
    PNG32:vrek/image/homework/404.png

# The change panel's buttons, 74x34: confirm in blue, cancel in white with a grey rule.
convert -size 74x34 xc:none -fill '#0081ff' -draw 'roundrectangle 0,0 73,33 4,4' \
    -font "$FONT" -pointsize 14 -fill white -gravity center -annotate +0+0 '确定' PNG32:vrek/image/person/sure.png
convert -size 74x34 xc:none -fill white -stroke '#c9d3e3' -draw 'roundrectangle 0,0 73,33 4,4' \
    -stroke none -font "$FONT" -pointsize 14 -fill '#666666' -gravity center -annotate +0+0 '取消' \
    PNG32:vrek/image/person/cancelhover.png
