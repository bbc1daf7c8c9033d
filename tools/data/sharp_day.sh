#!/usr/bin/env bash
# Makes the sharp day picture (4096 x 2048): the base day picture's Earth in its own colours, with
# the finer detail of the Blue Marble land-and-bathymetry picture of Debian's flightgear-data-base:
#
#   tools/data/sharp_day.sh BASE_DAY.jpg GLOBE_DIR OUT.jpg
#
# BASE_DAY is the 2048 x 1024 picture the base map is halved from (xplanet-images' earth.jpg);
# GLOBE_DIR holds globe_colors.jpg (8192 x 4096) and ocean_depth_1.png (the same grid; its alpha
# is 0 at sea deeper than the shelf and 246/255 on land). The two sources are the same NASA
# imagery in other tones (the globe's sea is dark with cyan shelves, the base's an even blue), so
# colours come from the base and only detail from the globe, with ImageMagick only:
#   1. the base picture filtered up to 4096 x 2048 gives every colour;
#   2. the globe's detail finer than the base picture's 2048 pixels (the globe at 4096 less the
#      same globe halved and filtered up again) is added to it, on land and within a few pixels
#      of the coast only: at sea the globe's detail is the edges of its shelves, which the base
#      does not draw;
#   3. every resize runs on a copy widened by columns from the other side of the date line, so
#      that the filters see the Earth going round; the globe's own last column (8192) is broken
#      (it differs from both neighbours by about 100 levels per channel) and is replaced by its
#      neighbour first, and the base picture's small step at the date line is spread out, so that
#      the picture's two edges meet without a seam.
# Halved twice, the result is the base picture within about a level; sharp_match.sh checks it.
set -euo pipefail

base=$1
globe=$2
out=$3
[ -f "$base" ] || { echo "missing $base: apt-get install xplanet-images" >&2; exit 1; }
for f in globe_colors.jpg ocean_depth_1.png; do
  [ -f "$globe/$f" ] || { echo "missing $globe/$f: apt-get install flightgear-data-base" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# wrap_resize IN PAD WIDTH HEIGHT FILTER OUT: IN resized to WIDTH x HEIGHT, widened by PAD of its
# columns from each side round the Earth first (PAD x WIDTH / IN's width must be whole).
wrap_resize() {
  local in=$1 pad=$2 width=$3 height=$4 filter=$5 result=$6
  local w
  w=$(identify -format '%w' "$in")
  local outPad=$((pad * width / w))
  convert "$in" \( -clone 0 -crop "${pad}x+$((w - pad))+0" \) \( -clone 0 -crop "${pad}x+0+0" \) \
    -swap 0,1 +repage +append -filter "$filter" -resize "$((width + 2 * outPad))x${height}!" \
    -crop "${width}x${height}+${outPad}+0" +repage -depth 16 "$result"
}

# The globe with its last column replaced by the one before it.
convert "$globe/globe_colors.jpg" \( +clone -crop 1x+8190+0 \) -geometry +8191+0 -composite \
  -depth 8 "$tmp/globe.png"
wrap_resize "$base" 32 4096 2048 Lanczos "$tmp/base-edges.png"
# The base picture's two edges do not quite meet (a step of about 13 levels per channel, three
# times its neighbours'): each row's step is spread over the 16 columns on either side.
convert "$tmp/base-edges.png" -roll +16+0 "$tmp/rolled.png"
convert "$tmp/rolled.png" -crop 32x2048+0+0 +repage \
  -fx 'i < 16 ? u + (p{16,j} - p{15,j}) * (i + 0.5) / 32 : u - (p{16,j} - p{15,j}) * (31.5 - i) / 32' \
  "$tmp/strip.png"
convert "$tmp/rolled.png" "$tmp/strip.png" -geometry +0+0 -composite -roll -16+0 -depth 16 \
  "$tmp/base.png"
wrap_resize "$tmp/globe.png" 64 4096 2048 Box "$tmp/globe4096.png"
wrap_resize "$tmp/globe4096.png" 64 2048 1024 Box "$tmp/globe2048.png"
wrap_resize "$tmp/globe2048.png" 32 4096 2048 Lanczos "$tmp/globe-coarse.png"
# Land and a coastal rim of about 3 pixels, softened; 0 at sea.
convert "$globe/ocean_depth_1.png" -alpha extract -filter box -resize '4096x2048!' \
  -level 93%,96% -morphology Dilate Disk:3 -blur 0x1.5 -depth 16 "$tmp/land.png"
# detail = globe - coarse globe, around 0.5; kept on land only; then added to the base.
convert "$tmp/globe4096.png" "$tmp/globe-coarse.png" -compose Mathematics \
  -define compose:args=0,-1,1,0.5 -composite "$tmp/detail.png"
convert "$tmp/detail.png" "$tmp/land.png" -compose Mathematics \
  -define compose:args=1,-0.5,0,0.5 -composite "$tmp/land-detail.png"
convert "$tmp/base.png" "$tmp/land-detail.png" -compose Mathematics \
  -define compose:args=0,1,1,-0.5 -composite -depth 8 \
  -strip -sampling-factor 4:2:0 -quality 90 "$out"
