#!/usr/bin/env bash
# meridiana-cli image: load, optionally scale, save as BMP; one-line reasons and exit codes.
set -euo pipefail
stage=$1
fixtures=$2
cli="$stage/meridiana-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

u32() { # file, byte offset: little-endian u32
  od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '
}

# Natural size: a 13x7 picture becomes 54 + 1024 + 7 rows of 40 bytes.
"$cli" image "$fixtures/images/png_rgb8.png" "$work/natural.bmp" || fail "natural size"
[ "$(stat -c %s "$work/natural.bmp")" = $((54 + 1024 + 7 * 40)) ] || fail "natural size bytes"
[ "$(u32 "$work/natural.bmp" 10)" = 1078 ] || fail "pixel offset"

# Width only keeps the aspect ratio: 26 wide gives 14 high.
"$cli" image "$fixtures/images/jpeg_rgb.jpg" "$work/wide.bmp" --width 26 || fail "width only"
[ "$(u32 "$work/wide.bmp" 18)" = 26 ] || fail "scaled width"
[ "$(u32 "$work/wide.bmp" 22)" = 14 ] || fail "kept aspect"

# Both sizes given, and a height alone.
"$cli" image "$fixtures/images/gif_basic.gif" "$work/both.bmp" --width 5 --height 9 || fail "both sizes"
[ "$(u32 "$work/both.bmp" 18)" = 5 ] && [ "$(u32 "$work/both.bmp" 22)" = 9 ] || fail "both sizes given"
"$cli" image "$fixtures/images/bmp_pal8.bmp" "$work/tall.bmp" --height 14 || fail "height only"
[ "$(u32 "$work/tall.bmp" 18)" = 26 ] || fail "height only keeps aspect"

# A very thin result keeps one pixel: 13 x 7 at width 1, and at height 1.
"$cli" image "$fixtures/images/png_rgb8.png" "$work/thin.bmp" --width 1 || fail "width 1"
[ "$(u32 "$work/thin.bmp" 18)" = 1 ] && [ "$(u32 "$work/thin.bmp" 22)" = 1 ] || fail "width 1 size"
"$cli" image "$work/wide.bmp" "$work/flat.bmp" --height 1 || fail "height 1"
[ "$(u32 "$work/flat.bmp" 18)" = 1 ] && [ "$(u32 "$work/flat.bmp" 22)" = 1 ] || fail "height 1 size"

# The written file loads again and gives the same picture.
"$cli" image "$work/natural.bmp" "$work/again.bmp" || fail "reload"
cmp -s "$work/natural.bmp" "$work/again.bmp" || fail "round trip changed the picture"

# A picture that cannot be loaded: exit 1, one line, nothing written.
set +e
"$cli" image "$fixtures/images/png_rgb8.ppm" "$work/none.bmp" 2>"$work/err"
status=$?
set -e
[ $status = 1 ] || fail "unloadable input exit status $status"
[ "$(wc -l <"$work/err")" = 1 ] || fail "reason is not one line"
grep -q "cannot load picture" "$work/err" || fail "reason text"
[ ! -e "$work/none.bmp" ] || fail "output written for a failed load"

# Usage errors: exit 2.
for args in "" "$work/natural.bmp" "a b c" "a b --width" "a b --width 0" "a b --width x" "a b --height 0"; do
  set +e
  # shellcheck disable=SC2086
  "$cli" image $args 2>/dev/null
  status=$?
  set -e
  [ $status = 2 ] || fail "usage error '$args' gave $status"
done
echo ok
