#!/usr/bin/env bash
# Draws the window's background bitmap and the program icon with ImageMagick into assets/.
# The form's controls sit on top of the background at fixed places, so the shapes here follow
# them: the blue banner behind the title and subtitle, a white card behind the labels and
# fields, and two blue panels behind the desktop and printer status labels.
set -euo pipefail
cd "$(dirname "$0")/.."
out=assets
mkdir -p "$out"

blue='rgb(66,135,193)'      # banner blue, behind the white title and status texts
green='rgb(0,177,89)'       # the Connect button's green
page='rgb(236,241,246)'     # the window's light ground
edge='rgb(210,218,228)'     # card border
font=DejaVu-Sans

convert -size 500x400 "xc:$page" \
  -fill 'rgb(52,112,163)' -draw 'rectangle 0,0 499,19' \
  -fill "$blue" -draw 'rectangle 0,20 499,100' \
  -fill "$green" -draw 'rectangle 0,101 499,103' \
  -fill white -stroke "$edge" -strokewidth 1 -draw 'roundrectangle 24,118 378,340 8,8' \
  -stroke none -fill "$blue" \
  -draw 'roundrectangle 388,160 494,222 6,6' \
  -draw 'roundrectangle 388,290 494,352 6,6' \
  -font "$font" -pointsize 11 -fill white \
  -annotate +400+180 'Desktop' \
  -annotate +400+310 'Printing' \
  -fill "$edge" -draw 'line 38,282 364,282' \
  -type TrueColor "BMP3:$out/QuorvantaBackgroundImage.bmp"

# The icon: a screen on a stand over a sheet of paper, on a rounded blue tile.
convert -size 48x48 xc:none \
  -fill "$blue" -draw 'roundrectangle 1,1 46,46 9,9' \
  -fill white -draw 'roundrectangle 8,9 39,31 3,3' \
  -fill 'rgb(150,200,236)' -draw 'rectangle 11,12 36,28' \
  -fill white -draw 'rectangle 21,31 26,35' -draw 'roundrectangle 15,35 32,38 1,1' \
  -fill "$green" -draw 'polygon 29,22 41,22 41,41 29,41' \
  -fill white -draw 'rectangle 31,26 39,27' -draw 'rectangle 31,30 39,31' \
  -draw 'rectangle 31,34 37,35' \
  -define icon:auto-resize=48 "ico:$out/tollivance48.ico"
# The same icon for the Linux menu entry.
convert "ico:$out/tollivance48.ico" "png:$out/tollivance48.png"

echo "wrote $out/QuorvantaBackgroundImage.bmp, $out/tollivance48.ico and $out/tollivance48.png"
