#!/usr/bin/env bash
# Draws the pictures of the chat panel: tool buttons, the send button, the mute switch, the target box arrow and
# the head pictures of the chat rows (ImageMagick). Run from anywhere; the output is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p image/chat vrek/image/userchat vrek/image/userinfoview

rest='#8a8f99'
hover='#0081ff'
pressed='#0066cc'

# The target box's drop-down arrow.
convert -size 12x7 xc:none -fill '#999999' -draw 'polygon 0,0 11,0 5,6' PNG32:image/chat/arrowdown.png

# Emoji: a smiling face, drawn at twice the size of the 22 x 32 button.
emoji() { # file colour
    convert -size 44x64 xc:none -stroke "$2" -strokewidth 3 -fill none -draw 'circle 22,32 22,14' \
        -draw 'arc 12,24 32,42 20,160' -stroke none -fill "$2" -draw 'circle 16,27 16,29.5' \
        -draw 'circle 28,27 28,29.5' "PNG32:$1"
}
emoji image/chat/emoji_1.png "$rest"
emoji image/chat/emoji_2.png "$hover"
emoji image/chat/emoji_3.png "$pressed"

# Word: a capital A over a line.
word() { # file colour
    convert -size 44x64 xc:none -stroke "$2" -strokewidth 3.5 -fill none -draw 'polyline 10,44 22,14 34,44' \
        -draw 'line 15,34 29,34' -draw 'line 6,52 38,52' "PNG32:$1"
}
word image/chat/word_1.png "$rest"
word image/chat/word_2.png "$hover"
word image/chat/word_3.png "$pressed"

# Picture: a framed landscape with a sun.
picture() { # file colour
    convert -size 56x56 xc:none -stroke "$2" -strokewidth 3.5 -fill none -draw 'roundrectangle 6,10 50,46 5,5' \
        -stroke none -fill "$2" -draw 'polygon 10,42 22,26 31,36 37,30 46,42' -draw 'circle 38,20 38,24' "PNG32:$1"
}
picture image/chat/img_1.png "$rest"
picture image/chat/img_2.png "$hover"

# Send: a rounded blue button with its text.
send() { # file colour
    convert -size 124x56 xc:none -fill "$2" -draw 'roundrectangle 0,0 123,55 10,10' \
        -font WenQuanYi-Micro-Hei -pointsize 26 -fill white -gravity center -annotate +0+0 '发送' "PNG32:$1"
}
send image/chat/send_1.png '#0081ff'
send image/chat/send_2.png '#2a95ff'
send image/chat/send_3.png '#0066cc'

# The mute switch: a speech bubble; red and crossed out while the class is muted.
convert -size 64x64 xc:none -stroke "$rest" -strokewidth 3.5 -fill none -draw 'roundrectangle 10,14 54,44 8,8' \
    -draw 'polyline 20,44 16,54 30,44' -stroke none -fill "$rest" -draw 'circle 22,29 22,31.5' \
    -draw 'circle 32,29 32,31.5' -draw 'circle 42,29 42,31.5' PNG32:image/chat/chat_1.png
convert -size 64x64 xc:none -stroke '#fe6464' -strokewidth 3.5 -fill none -draw 'roundrectangle 10,14 54,44 8,8' \
    -draw 'polyline 20,44 16,54 30,44' -strokewidth 4 -draw 'line 10,56 56,8' PNG32:image/chat/chatno_1.png

# Head pictures of the chat rows: a person on a coloured disc.
head() { # file colour
    convert -size 60x60 xc:none -fill "$2" -draw 'circle 30,30 30,1' -fill white -draw 'circle 30,23 30,12' \
        -draw 'ellipse 30,52 17,13 180,360' "PNG32:$1"
}
head vrek/image/userchat/teacherHead.png '#0081ff'
head vrek/image/userchat/studentHead.png '#ff8214'
head vrek/image/userinfoview/head_03.png '#5fb878'
