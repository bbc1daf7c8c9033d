#!/usr/bin/env bash
# Whether a sharp picture shows the same Earth in the same colours as its base picture: halved
# (box filter) to the base picture's size, their normalised cross-correlation must reach 0.9 and
# the mean of each channel must lie within 6 levels (0-255):
#
#   tools/data/sharp_match.sh BASE SHARP
#
# Prints "SHARP correlation C mean R G B base R G B" and fails when either bound is missed.
set -euo pipefail

base=$1
sharp=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

size=$(identify -format '%wx%h' "$base")
convert "$base" -depth 16 "$tmp/base.png"
convert "$sharp" -filter box -resize "${size}!" -depth 16 "$tmp/sharp.png"
correlation=$(compare -metric NCC "$tmp/base.png" "$tmp/sharp.png" null: 2>&1 || true)
means() { convert "$1" -format '%[fx:255*mean.r] %[fx:255*mean.g] %[fx:255*mean.b]' info:; }
read -r sr sg sb <<<"$(means "$tmp/sharp.png")"
read -r br bg bb <<<"$(means "$tmp/base.png")"
printf '%s correlation %.4f mean %.1f %.1f %.1f base %.1f %.1f %.1f\n' \
  "$sharp" "$correlation" "$sr" "$sg" "$sb" "$br" "$bg" "$bb"
awk -v c="$correlation" -v a="$sr $sg $sb" -v b="$br $bg $bb" 'BEGIN {
  split(a, s, " "); split(b, t, " ")
  if (c + 0 < 0.9) { print "correlation below 0.9" > "/dev/stderr"; exit 1 }
  for (k = 1; k <= 3; k++)
    if (s[k] - t[k] > 6 || t[k] - s[k] > 6) { print "mean colour more than 6 levels off" > "/dev/stderr"; exit 1 }
}'
