#!/usr/bin/env bash
# Draws the pictures of the window frame, the notices and the login widgets (ImageMagick, WenQuanYi Micro Hei).
# Run from res/; the output is committed, so the build does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
FONT=$(fc-match -f '%{file}' 'WenQuanYi Micro Hei')
mkdir -p vrek/image/titleview image/title vrek/image/centerview image/videoBack vrek/image/login image/login

# Title bar buttons: normal, hover, pressed; small (25x25) and large (40x32); white glyphs on the bar colour.
button() { # name size background primitive...
    local name=$1 size=$2 bg=$3
    shift 3
    local draws=()
    for primitive in "$@"; do draws+=(-draw "$primitive"); done
    convert -size "$size" "xc:$bg" -stroke white -strokewidth 2 -fill none "${draws[@]}" \
        "PNG32:vrek/image/titleview/$name.png"
}
small_states=("none" "rgba(255,255,255,0.25)" "rgba(0,0,0,0.25)")
for i in 0 1 2; do
    n=$((i + 1))
    bg=${small_states[$i]}
    button "min-$n" 25x25 "$bg" "line 7,13 18,13"
    button "max-$n" 25x25 "$bg" "rectangle 7,7 18,18"
    button "max-$((n + 3))" 25x25 "$bg" "rectangle 6,9 15,18" "polyline 9,9 9,6 19,6 19,15 15,15"
    button "close-$n" 25x25 "$bg" "line 7,7 18,18" "line 18,7 7,18"
    button "min-1$n" 40x32 "$bg" "line 14,16 26,16"
    button "max-1$n" 40x32 "$bg" "rectangle 14,10 26,22"
    button "max-1$((n + 3))" 40x32 "$bg" "rectangle 13,12 23,22" "polyline 16,12 16,9 27,9 27,19 23,19"
    button "close-1$n" 40x32 "$bg" "line 14,10 26,22" "line 26,10 14,22"
done
convert -size 16x16 xc:none -stroke white -strokewidth 2 -draw 'line 4,4 12,12' -draw 'line 12,4 4,12' \
    PNG32:image/title/close-4.png

# The close cross of the tip bar (at rest and toggled) and the confirm of the download tip.
convert -size 15x15 xc:none -stroke white -strokewidth 2 -draw 'line 3,3 11,11' -draw 'line 11,3 3,11' \
    PNG32:vrek/image/centerview/close_01.png
convert -size 15x15 xc:none -fill 'rgba(255,255,255,0.35)' -draw 'circle 7,7 7,0' -stroke white -strokewidth 2 \
    -draw 'line 3,3 11,11' -draw 'line 11,3 3,11' PNG32:vrek/image/centerview/close_02.png

text_button() { # file size background colour text
    convert -size "$2" "xc:$3" -font "$FONT" -pointsize 13 -fill "$4" -gravity center -annotate +0+0 "$5" \
        "PNG32:$1"
}
text_button vrek/image/centerview/close.png 65x28 '#1896ea' white '确定'
text_button image/videoBack/sure.png 78x26 '#1896ea' white '确定'
text_button image/videoBack/surehover.png 78x26 '#3aa8f0' white '确定'

# The page-missing picture of the network tip.
convert -size 130x130 xc:none -fill '#e8eef7' -draw 'roundrectangle 0,0 129,129 12,12' -font "$FONT" \
    -pointsize 40 -fill '#8aa4c8' -gravity center -annotate +0-12 '404' -pointsize 13 -fill '#7a8aa0' \
    -annotate +0+30 '页面走丢了' PNG32:image/videoBack/404.png

# Password reset buttons.
text_button vrek/image/login/sure.png 84x30 '#1896ea' white '确定'
text_button vrek/image/login/surehover.png 84x30 '#3aa8f0' white '确定'
text_button vrek/image/login/cancel.png 84x30 '#e6e6e6' '#555555' '取消'
text_button vrek/image/login/cancelhover.png 84x30 '#d6d6d6' '#333333' '取消'
text_button vrek/image/login/getVerify.png 84x30 '#1896ea' white '获取验证码'
text_button vrek/image/login/getVerifyhover.png 84x30 '#3aa8f0' white '获取验证码'
convert -size 84x30 'xc:#c8c8c8' PNG32:vrek/image/login/verifyBlock.png

# The built-in banner of the login window.
convert -size 426x455 gradient:'#2f8cf0-#7fc0ff' -font "$FONT" -fill white -pointsize 34 -gravity center \
    -annotate +0-30 '在线课堂' -pointsize 16 -annotate +0+20 '随时随地 · 用心学习' -quality 90 vrek/image/login/bg2.jpg

# The code overlay: its picture and its back button.
convert -size 243x282 xc:white -fill '#1896ea' -draw 'rectangle 20,20 222,222' -fill white \
    -draw 'rectangle 40,40 202,202' -fill '#1896ea' -draw 'rectangle 60,60 182,182' -font "$FONT" \
    -pointsize 15 -fill '#333333' -gravity south -annotate +0+22 '扫码下载手机端' PNG32:image/login/coder.png
text_button image/login/back-1.png 100x31 '#1896ea' white '返回'
text_button image/login/back-2.png 100x31 '#3aa8f0' white '返回'
text_button image/login/back-3.png 100x31 '#0f6fb8' white '返回'
