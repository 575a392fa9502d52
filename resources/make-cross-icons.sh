#!/usr/bin/env bash
# Draws the red cross of the clear command (the program's icon) at the sizes that scaled screens
# and desktops ask for, from one geometry in a 16-unit square: two rounded bars at +45 and -45
# degrees, dark red outline, red face. Writes main/cross-N.png for the window and toolbar and the
# same drawing as the desktop's scalable icon and the Windows program icon. The 16 x 16 picture stays the hand-made main/delete.xpm.
# Output carries no timestamps, so running it again changes nothing unless the drawing changed.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"

half_length=7.8    # along the diagonal, from the centre
half_width=1.7
radius=0.9
outline=0.9
face='#E01010'
edge='#900000'

bar() { # $1 angle, $2 extra half-width (negative shrinks to the face inside the outline)
  awk -v a="$1" -v l="$half_length" -v w="$half_width" -v d="$2" -v r="$radius" \
    'BEGIN { printf "translate 8,8 rotate %s roundrectangle %.3f,%.3f %.3f,%.3f %.3f,%.3f", a, -l-d, -w-d, l+d, w+d, r, r }'
}

for size in 24 32 48 64 128 256; do
  scale=$(awk -v s="$size" 'BEGIN { printf "%.6f", s / 16 }')
  convert -size "${size}x${size}" xc:none \
    -draw "affine $scale,0,0,$scale,0,0 fill $edge $(bar 45 "$(awk -v o=$outline 'BEGIN{print o/2}')")" \
    -draw "affine $scale,0,0,$scale,0,0 fill $edge $(bar -45 "$(awk -v o=$outline 'BEGIN{print o/2}')")" \
    -draw "affine $scale,0,0,$scale,0,0 fill $face $(bar 45 "-$(awk -v o=$outline 'BEGIN{print o/2}')")" \
    -draw "affine $scale,0,0,$scale,0,0 fill $face $(bar -45 "-$(awk -v o=$outline 'BEGIN{print o/2}')")" \
    -define png:exclude-chunks=date,time -strip "PNG32:$here/main/cross-$size.png"
done

# The same drawing for desktops that take vector icons.
svg_bar() { # $1 angle, $2 extra half-width, $3 colour
  awk -v a="$1" -v l="$half_length" -v w="$half_width" -v d="$2" -v r="$radius" -v c="$3" \
    'BEGIN { printf "  <rect transform=\"translate(8 8) rotate(%s)\" x=\"%.3f\" y=\"%.3f\" width=\"%.3f\" height=\"%.3f\" rx=\"%.3f\" fill=\"%s\"/>\n", a, -l-d, -w-d, 2*(l+d), 2*(w+d), r, c }'
}
half_outline=$(awk -v o=$outline 'BEGIN{print o/2}')
{
  echo '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 16 16">'
  svg_bar 45 "$half_outline" "$edge"
  svg_bar -45 "$half_outline" "$edge"
  svg_bar 45 "-$half_outline" "$face"
  svg_bar -45 "-$half_outline" "$face"
  echo '</svg>'
} > "$root/packaging/icons/taskclear.svg"

# The program file's icon on Windows: the hand-made 16 x 16 picture and the drawn sizes in one file.
small="$(mktemp --suffix=.png)"
trap 'rm -f "$small"' EXIT
convert "$here/main/delete.xpm" -transparent '#C0C0C0' "PNG32:$small"
convert "$small" "$here"/main/cross-{24,32,48,64,256}.png -define png:exclude-chunks=date,time \
  "$root/packaging/icons/taskclear.ico"
