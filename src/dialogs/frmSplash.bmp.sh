#!/bin/sh
# Draws the splash picture frmSplash.bmp with ImageMagick (run by hand; the picture is kept in the
# repository). The labels and the progress bar sit on the white band below the artwork.
set -eu
cd "$(dirname "$0")"
font=/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc
/usr/bin/convert -size 480x200 -define gradient:angle=120 gradient:'#0d3f73'-'#2a9cc8' \
  -fill none -strokewidth 5 \
  -stroke 'rgba(255,255,255,0.10)' -draw 'circle 420,150 420,30' \
  -stroke 'rgba(255,255,255,0.16)' -draw 'circle 420,150 420,70' \
  -stroke 'rgba(255,255,255,0.24)' -draw 'circle 420,150 420,105' \
  -stroke none -fill 'rgba(255,255,255,0.30)' -draw 'circle 420,150 420,132' \
  -font "$font" -fill white -pointsize 50 -annotate +36+104 'バロネル' \
  -fill '#d8ecf7' -pointsize 20 -annotate +40+142 'アップデート' \
  -fill '#f2a33a' -draw 'rectangle 0,196 480,200' \
  -background white -gravity north -extent 480x320 \
  -dither FloydSteinberg -colors 256 -type Palette -compress None BMP3:frmSplash.bmp
