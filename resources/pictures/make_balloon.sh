#!/usr/bin/env bash
# Draws balloon.bmp, the update hint: a light yellow balloon with a dark
# outline, an information icon and one line of text, its tail at the lower
# left pointing down. Everything outside the balloon is magenta, which the
# program treats as transparent, so the outer edge is drawn without
# antialiasing. Needs ImageMagick and the WenQuanYi Zen Hei font.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 181x72 xc:'#FF00FF' +antialias -fill '#FFFFE1' -stroke '#3C3C3C' -strokewidth 1 \
  -draw "roundrectangle 0,0 180,57 9,9" -draw "polygon 14,57 32,57 14,71" \
  -stroke '#FFFFE1' -draw "line 15,57 31,57" \
  -stroke none -fill '#1E64C8' -draw "circle 16,14 16,6" \
  -fill white -draw "rectangle 15,12 17,19" -draw "rectangle 15,9 17,10" \
  -antialias -font WenQuanYi-Zen-Hei -pointsize 12 -fill '#000000' \
  -draw "text 12,42 '发现新版软件，请点击查看。'" \
  -type TrueColor BMP3:balloon.bmp
