#!/usr/bin/env bash
# meridiana-cli render: layers, options, output formats and failures, on synthetic base images.
set -euo pipefail
source "$(dirname "$0")/render_lib.bash"
mkdir -p "$work/data/images" "$work/empty"

python3 - "$work" <<'PY'
import sys
from render_lib import write_bmp, write_uniform_bmp
work = sys.argv[1]
# Synthetic images (not pictures of the Earth): a coordinate pattern by day, uniform otherwise.
write_bmp(f"{work}/data/images/earth_day.bmp", 1024, 512,
          lambda x, y: (x & 255, y & 255, 90 + (x >> 8) * 10 + (y >> 8) * 40))
write_uniform_bmp(f"{work}/data/images/earth_night.bmp", 1024, 512, (10, 10, 30))
write_uniform_bmp(f"{work}/data/images/earth_tz.bmp", 1024, 512, (200, 200, 200))
write_uniform_bmp(f"{work}/cloud.bmp", 512, 256, (200, 200, 200))  # scaled to the map's size
PY

fail() { echo "FAIL: $*" >&2; exit 1; }
render() { "$cli" render --at 2026-06-21T12:00:00Z --data "$work/data" "$@"; }

render --layers day --out "$work/day.bmp"
render --layers day --out "$work/day.PNG"
render --layers night,shadow --out "$work/night.bmp"
render --layers day,zones --out "$work/zones.bmp"
render --layers day,clouds --clouds "$work/cloud.bmp" --out "$work/clouds.bmp"
render --layers day --width 512 --out "$work/half.bmp"
render --out "$work/default.png"
render --layers day --png smallest --out "$work/smallest.png"

python3 - "$work" <<'PY'
import os
import sys
from render_lib import read_bmp, read_png
work = sys.argv[1]

def check(cond, what):
    if not cond:
        sys.exit("FAIL: " + what)

w, h, day = read_bmp(f"{work}/day.bmp")
check((w, h) == (1024, 512), "day size")
bad = [(x, y) for y in (0, 1, 255, 256, 511) for x in (0, 255, 256, 1023)
       if tuple(day[y][3 * x:3 * x + 3]) != (x & 255, y & 255, 90 + (x >> 8) * 10 + (y >> 8) * 40)]
check(not bad, f"day layer is the day image unchanged, wrong at {bad[:3]}")

w, h, png = read_png(f"{work}/day.PNG")
check((w, h) == (1024, 512) and png == day, "the PNG holds the same pixels as the BMP")
w, h, png = read_png(f"{work}/smallest.png")
check((w, h) == (1024, 512) and png == day, "--png smallest holds the same pixels")
check(os.path.getsize(f"{work}/smallest.png") < os.path.getsize(f"{work}/day.PNG"),
      "--png smallest writes a smaller file")

_, _, night = read_bmp(f"{work}/night.bmp")
check(all(r == bytes((10, 10, 30)) * 1024 for r in night),
      "night map turns the shadow off and shows the night image")

_, _, zones = read_bmp(f"{work}/zones.bmp")
# Day pixel (0,0): (0, 0, 90), mean 30 -> (1.4 * 30 + 0.6 * 200) / 2 = 81.
check(tuple(zones[0][0:3]) == (81, 81, 81), f"zone tint {tuple(zones[0][0:3])}")

_, _, clouds = read_bmp(f"{work}/clouds.bmp")
# Day pixel (100, 100) is (100, 100, 90), mean 96, under cloud mean 200.
wa, wb = 96 / 200, 200 / 96
want = tuple(int((c * wa + 200 * wb + 10) / (wa + wb)) for c in (100, 100, 90))
got = tuple(clouds[100][300:303])
check(all(abs(g - v) <= 1 for g, v in zip(got, want)), f"cloud blend {got} vs {want}")

w, h, _ = read_bmp(f"{work}/half.bmp")
check((w, h) == (512, 256), f"--width 512 gives 512x256, not {w}x{h}")

w, h, shaded = read_png(f"{work}/default.png")
check((w, h) == (1024, 512), "default render size")
# Noon at Greenwich in June: day at (512, 200), night on the date line.
check(tuple(shaded[200][3 * 512:3 * 512 + 3]) == tuple(day[200][3 * 512:3 * 512 + 3]),
      "default layers leave the day side alone")
check(shaded[256][0:3] != day[256][0:3], "default layers shade the night side")
PY

expect_status() {
  local want=$1; shift
  set +e
  "$@" >"$work/out.txt" 2>"$work/err.txt"
  local got=$?
  set -e
  [ "$got" -eq "$want" ] || fail "exit $got, not $want: $* ($(cat "$work/err.txt"))"
}

# A layer whose picture cannot be read fails the render with one line naming the picture.
mkdir -p "$work/dayonly/images"
cp "$work/data/images/earth_day.bmp" "$work/dayonly/images/"
for row in "empty day earth_day.bmp" "dayonly day,shadow earth_night.bmp" \
           "dayonly day,zones earth_tz.bmp" "dayonly night earth_night.bmp"; do
  set -- $row
  expect_status 1 "$cli" render --at 2026-06-21T12:00:00Z --data "$work/$1" --layers "$2" --out "$work/x.png"
  [ "$(wc -l < "$work/err.txt")" -eq 1 ] && grep -q "images/$3'" "$work/err.txt" ||
    fail "layers $2 without $3: $(cat "$work/err.txt")"
  [ ! -e "$work/x.png" ] || fail "a failed render leaves no file"
done
set -- 
expect_status 2 "$cli" render --data "$work/data" --layers day,moon --out "$work/x.png"
expect_status 2 "$cli" render --data "$work/data" --out "$work/x.jpg"
expect_status 2 "$cli" render --data "$work/data" --at 2026-13-01T00:00:00Z --out "$work/x.png"
expect_status 2 "$cli" render --data "$work/data"
expect_status 2 "$cli" render --data "$work/data" --width 0 --out "$work/x.png"
expect_status 2 "$cli" render --data "$work/data" --out
expect_status 2 "$cli" render --data "$work/data" --png tiny --out "$work/x.png"
expect_status 1 "$cli" render --data "$work/data" --clouds "$work/none.jpg" --out "$work/x.png"
expect_status 2 "$cli" render --data "$work/data" --layers clouds --out "$work/x.png"
expect_status 1 "$cli" render --data "$work/data" --out "$work/no/such/folder/x.png"
# Width 1 keeps one row; a name at the file system's 255-byte limit is written.
render --layers day --width 1 --out "$work/one.bmp"
python3 -c "import sys; sys.path.insert(0, '$here'); from render_lib import read_bmp; w, h, _ = read_bmp('$work/one.bmp'); assert (w, h) == (1, 1), (w, h)" ||
  fail "width 1 should give a 1 x 1 map"
long=$(printf 'm%.0s' $(seq 251)).png
render --layers day --out "$work/$long" && [ -s "$work/$long" ] || fail "a 255-byte name"
# Under a private umask the map is private too.
(umask 077 && render --layers day --out "$work/private.png")
[ "$(stat -c %a "$work/private.png")" = 600 ] || fail "umask 077 gave $(stat -c %a "$work/private.png")"
(umask 022 && render --layers day --out "$work/public.png")
[ "$(stat -c %a "$work/public.png")" = 644 ] || fail "umask 022 gave $(stat -c %a "$work/public.png")"
echo "render options: ok"
