#!/usr/bin/env bash
# Mean colours of day pictures over sea and over land, each picture scaled to 1024 x 512 (box
# filter), between 60 degrees south and 60 degrees north (beyond, sea ice differs by season):
#
#   tools/data/sea_land_means.sh PICTURE...
#
# Sea and land come from a third, independent picture: Debian stellarium-data's
# textures/earth_cmap.png (1024 x 512, longitude -180 at the left), whose sea is one flat colour,
# rgb(13,55,79). Pixels beside a coast count for neither (both masks eroded by one pixel).
# Prints "PICTURE sea R G B land R G B" (0-255).
set -euo pipefail

cmap=${CMAP:-/usr/share/stellarium/textures/earth_cmap.png}
[ -f "$cmap" ] || { echo "missing $cmap: apt-get install stellarium-data (or set CMAP)" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Rows 86-425 of 512: 60 S to 60 N.
convert -size 1024x512 xc:black -fill white -draw 'rectangle 0,86 1023,425' "$tmp/band.png"
convert "$cmap" -fuzz 2% -fill white -opaque 'rgb(13,55,79)' -fill black +opaque white \
  -morphology Erode Diamond:1 "$tmp/band.png" -compose multiply -composite "$tmp/sea.png"
convert "$cmap" -fuzz 2% -fill black -opaque 'rgb(13,55,79)' -fill white +opaque black \
  -morphology Erode Diamond:1 "$tmp/band.png" -compose multiply -composite "$tmp/land.png"

for picture in "$@"; do
  convert "$picture" -filter box -resize '1024x512!' -depth 16 "$tmp/picture.png"
  line=$picture
  for part in sea land; do
    share=$(convert "$tmp/$part.png" -format '%[fx:mean]' info:)
    line+=" $part $(convert "$tmp/picture.png" "$tmp/$part.png" -compose multiply -composite \
      -format "%[fx:round(255*mean.r/$share)] %[fx:round(255*mean.g/$share)] %[fx:round(255*mean.b/$share)]" info:)"
  done
  echo "$line"
done
