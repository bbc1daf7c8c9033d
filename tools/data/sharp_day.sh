#!/usr/bin/env bash
# Makes the sharp day picture (4096 x 2048) from the Blue Marble land-and-bathymetry picture of
# Debian's flightgear-data-base, with the sea and land coloured like the base day picture:
#
#   tools/data/sharp_day.sh GLOBE_DIR OUT.jpg
#
# GLOBE_DIR holds globe_colors.jpg (8192 x 4096) and ocean_depth_1.png (the same grid; its alpha
# is 0 at sea deeper than the shelf and 246/255 on land). The source draws the open sea as a dark
# grey-blue with bright cyan shelves and tints some land blue; the base picture has an even deep
# blue sea and no blue on land. So, with ImageMagick only, at 4096 x 2048:
#   1. sea water = blue pixels (weights below: hue 0.45-0.80, HSB saturation from 15-30 %) outside
#      the land of the depth picture (alpha below 93-96 %); its colour becomes a deep blue ramp by brightness
#      (#000333 black to #0A2A83 at 80 % luma), which keeps the sea floor's relief faintly;
#   2. blue pixels on land (arctic tints, drawn rivers) lose 70 % of their saturation;
#   3. coloured land (saturation from 10-25 %) gets blue gamma 0.8 (ice and snow, which are grey,
#      keep their colour).
# tools/data/sea_land_means.sh measures the result against the base picture.
set -euo pipefail

globe=$1
out=$2
for f in globe_colors.jpg ocean_depth_1.png; do
  [ -f "$globe/$f" ] || { echo "missing $globe/$f: apt-get install flightgear-data-base" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

convert "$globe/globe_colors.jpg" -resize '4096x2048!' -depth 8 "$tmp/day.png"
convert "$globe/ocean_depth_1.png" -alpha extract -filter box -resize '4096x2048!' -depth 8 "$tmp/depth.png"
convert "$tmp/day.png" -colorspace HSB -separate "$tmp/hsb-%d.png"
# Blue: hue rising over 0.45-0.50 and falling over 0.75-0.80, times saturation over 15-30 %.
convert "$tmp/hsb-0.png" \( +clone -level 45%,50% \) \( -clone 0 -level 75%,80% -negate \) -delete 0 \
  -compose multiply -composite "$tmp/hsb-1.png" -level 15%,30% -compose multiply -composite "$tmp/blue.png"
convert "$tmp/hsb-1.png" -level 10%,25% "$tmp/tinted.png"
convert "$tmp/depth.png" -level 93%,96% -negate "$tmp/sea.png"
convert "$tmp/blue.png" "$tmp/sea.png" -compose multiply -composite "$tmp/water.png"
convert "$tmp/sea.png" -negate "$tmp/blue.png" -compose multiply -composite "$tmp/landblue.png"
convert "$tmp/day.png" \
  \( +clone -channel B -gamma 0.8 +channel \) "$tmp/tinted.png" -compose over -composite \
  \( +clone -modulate 100,30,100 \) "$tmp/landblue.png" -compose over -composite \
  \( "$tmp/day.png" -colorspace Rec709Luma -level 0%,80% +level-colors '#000333','#0A2A83' \) \
  "$tmp/water.png" -compose over -composite \
  -strip -sampling-factor 4:2:0 -quality 90 "$out"
