#!/usr/bin/env bash
# Draws the login window's background (467 x 309, 24-bit) and window icon (16 x 16, 16 colours)
# with ImageMagick, without timestamps, so that running it again changes nothing unless the drawing
# changed. Beside each PNG it writes the pixels the window shows, as Qt's RGB32 words (0xffRRGGBB,
# little-endian), which the program takes without decoding. The generated files are kept in the
# repository; a test checks that the pixels match the PNGs.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/login"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Background: a blue band with a database cylinder, a check mark and text-like bars on top; the
# lower part, where the labels, boxes and buttons sit, stays plain white.
convert -size 467x118 gradient:'#0b3d91-#3f86d9' -rotate 180 "$work/band.png"
convert -size 467x309 xc:white \
  "$work/band.png" -geometry +0+0 -composite \
  -fill '#2a6cc4' -draw 'rectangle 0,118 466,121' \
  -fill '#e8eef8' -draw 'rectangle 0,122 466,124' \
  -fill '#c9d9f2' -draw 'rectangle 42,30 110,88' \
  -fill '#9fbbe6' -draw 'ellipse 76,88 34,10 0,180' \
  -fill '#7fa3dc' -draw 'ellipse 76,68 34,10 0,180' \
  -fill '#c9d9f2' -draw 'rectangle 42,50 110,68' \
  -fill '#7fa3dc' -draw 'ellipse 76,48 34,10 0,180' \
  -fill '#c9d9f2' -draw 'rectangle 42,30 110,48' \
  -fill '#eef3fb' -draw 'ellipse 76,30 34,10 0,360' \
  -fill none -stroke '#0b3d91' -strokewidth 1 -draw 'ellipse 76,30 34,10 0,360' \
  -draw 'ellipse 76,88 34,10 0,180' -draw 'line 42,30 42,88' -draw 'line 110,30 110,88' \
  -stroke none -fill '#2fa84f' -draw 'circle 112,82 112,68' \
  -fill none -stroke '#ffffff' -strokewidth 3 -draw 'polyline 104,82 110,88 120,76' -stroke none \
  -fill '#ffffffb0' -draw 'rectangle 200,52 440,56' -draw 'rectangle 200,66 400,70' \
  -draw 'rectangle 200,80 360,84' \
  -type TrueColor -define png:color-type=2 -define png:exclude-chunk=date,time "PNG24:$out/background.png"

# Window icon: a small database cylinder, reduced to 16 colours.
convert -size 16x16 xc:'#c0c0c0' \
  -fill '#3f86d9' -draw 'rectangle 3,3 12,12' \
  -fill '#0b3d91' -draw 'ellipse 7.5,12 4.5,2 0,180' \
  -fill '#0b3d91' -draw 'ellipse 7.5,8 4.5,2 0,180' \
  -fill '#bcd4f5' -draw 'ellipse 7.5,3 4.5,2 0,360' \
  -fill '#ffd34d' -draw 'rectangle 11,10 14,14' \
  -colors 16 -type Palette -define png:exclude-chunk=date,time -define png:bit-depth=4 -define png:color-type=3 "PNG8:$out/icon.png"

for picture in background icon; do
  convert "$out/$picture.png" -alpha opaque -depth 8 "BGRA:$out/$picture.rgb32"
done
