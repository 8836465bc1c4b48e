#!/usr/bin/env bash
# Draws the pictures of the course-list window's tab column (ImageMagick, WenQuanYi Micro Hei).
# Run from anywhere; the output is committed, so the build does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
FONT=$(fc-match -f '%{file}' 'WenQuanYi Micro Hei')
mkdir -p vrek/image/classmanagerview vrek/image/homework vrek/image/person

# A tab button of the left column: 180x40, text left-aligned after a small mark; the checked state is blue.
tab() { # file text checked
    local bg='#ebeff8' fg='#333333' mark='#9aa7bd'
    if [ "$3" = 1 ]; then bg='#0081ff' fg='#ffffff' mark='#ffffff'; fi
    convert -size 180x40 "xc:$bg" -fill "$mark" -draw 'roundrectangle 36,14 47,25 2,2' \
        -font "$FONT" -pointsize 14 -fill "$fg" -gravity west -annotate +60+0 "$2" "PNG32:$1"
}
tab vrek/image/classmanagerview/kc_01.png '直播课程' 0
tab vrek/image/classmanagerview/kc_02.png '直播课程' 1
tab vrek/image/classmanagerview/hk_01.png '课程回看' 0
tab vrek/image/classmanagerview/hk_02.png '课程回看' 1
tab vrek/image/classmanagerview/sb_01.png '设备检测' 0
tab vrek/image/classmanagerview/sb_02.png '设备检测' 1
tab vrek/image/homework/homework.png '我的作业' 0
tab vrek/image/homework/homeworkClick.png '我的作业' 1
tab vrek/image/person/person.png '个人中心' 0
tab vrek/image/person/personclick.png '个人中心' 1
