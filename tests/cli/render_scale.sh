#!/usr/bin/env bash
# meridiana-cli render --scale: refused values, scale 1 byte for byte the plain render, and the
# sharp picture at scale 2 checked against the plain one (colours, orientation, landmarks, the
# grid drawn at device resolution) and its terminator against an independent solar computation.
set -euo pipefail
source "$(dirname "$0")/render_lib.bash"

for bad in 0 5 2.5 -1 x "" 22; do
  status=0
  "$cli" render --scale "$bad" --out "$work/bad.png" 2>"$work/bad.err" || status=$?
  [ "$status" = 2 ] || { echo "FAIL: --scale '$bad' gave status $status"; exit 1; }
  grep -q "scale" "$work/bad.err" || { echo "FAIL: no reason for '$bad': $(cat "$work/bad.err")"; exit 1; }
  [ ! -e "$work/bad.png" ] || { echo "FAIL: --scale '$bad' wrote a picture"; exit 1; }
done

at=2026-12-09T12:00:00Z
"$cli" render --at $at --data "$stage" --out "$work/plain.bmp"
"$cli" render --at $at --data "$stage" --scale 1 --out "$work/one.bmp"
cmp "$work/plain.bmp" "$work/one.bmp" || { echo "FAIL: --scale 1 is not the plain render"; exit 1; }
"$cli" render --at $at --data "$stage" --overlays grid,marked --mark London --out "$work/plain-grid.bmp"
"$cli" render --at $at --data "$stage" --overlays grid,marked --mark London --scale 1 --out "$work/one-grid.bmp"
cmp "$work/plain-grid.bmp" "$work/one-grid.bmp" || { echo "FAIL: --scale 1 changed the overlays"; exit 1; }

for layers in day day,shadow; do
  "$cli" render --at $at --data "$stage" --layers $layers --out "$work/$layers-1.bmp"
  "$cli" render --at $at --data "$stage" --layers $layers --scale 2 --out "$work/$layers-2.bmp"
done
"$cli" render --at $at --data "$stage" --layers day --overlays grid --scale 2 --out "$work/grid-2.bmp"
"$cli" render --at $at --data "$stage" --layers day --size 400x200 --zoom 2 --scroll 480,200 \
  --scale 3 --out "$work/part-3.bmp"

python3 - "$work" <<'PY'
import sys
from render_lib import read_bmp

work = sys.argv[1]

def blocks(path, size):
    """Mean (blue, green, red) of each size x size block."""
    w, h, rows = read_bmp(path)
    out = []
    for by in range(0, h, size):
        sums = [[0, 0, 0] for _ in range(w // size)]
        for y in range(by, by + size):
            row = rows[y]
            for i in range(w // size):
                for c in range(3):
                    sums[i][c] += sum(row[3 * i * size + c:3 * (i + 1) * size:3])
        out.append([[s / (size * size) for s in b] for b in sums])
    return w, h, out

def agreement(a, b):
    """The share of blocks that both call land (more red than blue) or both call sea."""
    pairs = [(p[2] > p[0], q[2] > q[0]) for ra, rb in zip(a, b) for p, q in zip(ra, rb)]
    return sum(u == v for u, v in pairs) / len(pairs)

for layers in ("day", "day,shadow"):
    w1, h1, one = blocks(f"{work}/{layers}-1.bmp", 8)
    w2, h2, two = blocks(f"{work}/{layers}-2.bmp", 16)
    assert (w1, h1, w2, h2) == (1024, 512, 2048, 1024), (w1, h1, w2, h2)
    # The sharp pictures are another rendition of the same NASA imagery, with other tones: land
    # and sea must fall on the same blocks, where a mirrored, upside-down or shifted picture
    # puts them elsewhere.
    same = agreement(one, two)
    mirrored = agreement(one, [r[::-1] for r in two])
    flipped = agreement(one, two[::-1])
    shifted = agreement(one, [r[4:] + r[:4] for r in two])
    print(f"{layers}: land and sea agree on {same:.3f} of blocks; mirrored {mirrored:.3f}, "
          f"flipped {flipped:.3f}, shifted 5 degrees {shifted:.3f}")
    assert same > 0.88, same
    assert max(mirrored, flipped, shifted) < same - 0.05, (same, mirrored, flipped, shifted)

def at(rows, w, h, lon, lat, scale):
    x = int((lon + 180) / 360 * 1024 * scale)
    y = int((90 - lat) / 180 * 512 * scale)
    return tuple(rows[y][3 * x:3 * x + 3])

w, h, rows = read_bmp(f"{work}/day-2.bmp")
# Landmarks on the day picture at scale 2 (blue, green, red): the Sahara is sand, the Pacific
# south of Hawaii and the Indian Ocean are water, the middle of Greenland's ice is bright.
for name, lon, lat, test in [
    ("Sahara", 10, 24, lambda p: p[2] > p[0] + 50),
    ("Pacific", -155, 5, lambda p: p[0] > p[2] + 20),
    ("Indian Ocean", 75, -20, lambda p: p[0] > p[2] + 20),
    ("Australia", 133, -25, lambda p: p[2] > p[0] + 40),
]:
    p = at(rows, w, h, lon, lat, 2)
    assert test(p), (name, p)
# The coast of Africa at the Gulf of Guinea, 8 degrees north: land at 2 degrees west, sea two
# degrees south of the coast.
land, sea = at(rows, w, h, -2, 8, 2), at(rows, w, h, -2, 3, 2)
assert land[1] > land[0] and sea[0] > sea[1], (land, sea)

# The grid at device resolution: the prime meridian and the equator red (0, 0, 200) on the
# scaled picture's columns 1024 and rows 512, as the window draws them at a ratio of 2.
w, h, rows = read_bmp(f"{work}/grid-2.bmp")
red = bytes((0, 0, 200))
column = [y for y in range(h) if rows[y][3 * 1024:3 * 1025] == red or rows[y][3 * 1025:3 * 1026] == red]
assert len(column) > 900, len(column)
row = rows[512] if rows[512].count(red) > rows[513].count(red) else rows[513]
assert row.count(red) > 1900, row.count(red)

# A part of the map at scale 3: 400 x 200 view pixels at zoom 2 from base pixel (480, 200),
# that is longitude -11.25 to 59.06 and latitude 19.7 to -15.5 (Africa), 1200 x 600 pixels.
w, h, rows = read_bmp(f"{work}/part-3.bmp")
assert (w, h) == (1200, 600), (w, h)
def view_at(lon, lat):
    """Mean (blue, green, red) of the 9 x 9 device pixels around a place."""
    x = int(((lon + 180) / 360 * 1024 - 480) * 2 * 3)
    y = int(((90 - lat) / 180 * 512 - 200) * 2 * 3)
    patch = [rows[j][3 * i + c] for j in range(y - 4, y + 5) for i in range(x - 4, x + 5) for c in range(3)]
    return tuple(sum(patch[c::3]) / 81 for c in range(3))
sea, forest = view_at(0, -10), view_at(22, 0)
assert sea[0] > sea[2] + 20, sea                                 # Gulf of Guinea
assert forest[1] > forest[0] and forest[1] > forest[2], forest   # Congo rainforest
print("render scale pictures: ok")
PY

# The terminator at scale 2, on uniform pictures whose blends tell night from day, against the
# NOAA solar equations (the program follows another published algorithm): every device pixel
# more than 0.5 degrees from the horizon on the right side of it.
mkdir -p "$work/plain/images"
python3 - "$work/plain" <<'PY'
import sys
from render_lib import write_uniform_bmp
write_uniform_bmp(f"{sys.argv[1]}/images/earth_day.bmp", 1024, 512, (0, 200, 255))
write_uniform_bmp(f"{sys.argv[1]}/images/earth_night.bmp", 1024, 512, (200, 0, 0))
PY
instants="2026-06-21T12:00:00Z 2027-03-20T06:00:00Z 2026-12-21T18:30:00Z"
for t in $instants; do
  "$cli" render --at "$t" --data "$work/plain" --scale 2 --out "$work/t-$t.bmp"
done
python3 - "$work" $instants <<'PY'
import calendar, math, sys
from datetime import datetime
from render_lib import read_bmp, noaa_sun

work = sys.argv[1]
NIGHT, DAY = (160, 40, 51), (0, 200, 255)
lo, hi, top = (math.sin(math.radians(a)) for a in (-0.5, 0.5, 9.5))
for t in sys.argv[2:]:
    unix = calendar.timegm(datetime.strptime(t, "%Y-%m-%dT%H:%M:%SZ").timetuple())
    decl, eot = noaa_sun(unix)
    minutes = (unix % 86400) / 60.0
    w, h, rows = read_bmp(f"{work}/t-{t}.bmp")
    assert (w, h) == (2048, 1024)
    sd, cd = math.sin(math.radians(decl)), math.cos(math.radians(decl))
    # Each device pixel stands for the place at its centre.
    cos_ha = [math.cos(math.radians(((minutes + eot + 4 * ((x + 0.5) / w * 360 - 180)) % 1440) / 4 - 180))
              for x in range(w)]
    night = day = wrong = 0
    for y in range(h):
        lat = math.radians(90 - (y + 0.5) * 180 / h)
        a, b = math.sin(lat) * sd, math.cos(lat) * cd
        row = rows[y]
        for x in range(0, w):
            s = a + b * cos_ha[x]
            if lo <= s <= hi or hi < s <= top:
                continue
            px = tuple(row[3 * x:3 * x + 3])
            if s < lo:
                night += 1
                wrong += px != NIGHT
            else:
                day += 1
                wrong += px != DAY
    print(f"{t}: night {night}, day {day}, wrong {wrong}")
    assert night > 100000 and day > 100000
    assert wrong == 0, f"{t}: {wrong} device pixels on the wrong side of the horizon"
print("render scale terminator: ok")
PY

# One Earth in one palette: the sharp pictures halved (2 x 2 means) against the plain render,
# for the day and the night, correlate at 0.9 or more and keep every channel's mean within 6.
for layers in day night; do
  for scale in 1 2; do
    "$cli" render --at $at --data "$stage" --layers $layers --scale $scale --out "$work/palette-$layers-$scale.bmp"
  done
done
python3 - "$work" <<'PY'
import sys
from render_lib import read_bmp

work = sys.argv[1]
for layers in ("day", "night"):
    w, h, one = read_bmp(f"{work}/palette-{layers}-1.bmp")
    _, _, two = read_bmp(f"{work}/palette-{layers}-2.bmp")
    a, b = [], []
    for y in range(h):
        a.extend(one[y])
        upper, lower = two[2 * y], two[2 * y + 1]
        b.extend((upper[i] + upper[i + 3] + lower[i] + lower[i + 3]) / 4
                 for x in range(w) for i in (6 * x, 6 * x + 1, 6 * x + 2))
    n = len(a)
    ma, mb = sum(a) / n, sum(b) / n
    cov = sum((p - ma) * (q - mb) for p, q in zip(a, b))
    var_a = sum((p - ma) ** 2 for p in a)
    var_b = sum((q - mb) ** 2 for q in b)
    correlation = cov / (var_a * var_b) ** 0.5
    means = [(sum(a[c::3]) / (n / 3), sum(b[c::3]) / (n / 3)) for c in range(3)]
    print(f"{layers}: correlation {correlation:.3f}, means (blue, green, red) "
          + ", ".join(f"{p:.1f}/{q:.1f}" for p, q in means))
    assert correlation >= 0.9, (layers, correlation)
    assert all(abs(p - q) <= 6 for p, q in means), (layers, means)
print("render scale palette: ok")
PY

# No seam where the date line crosses a turned map: the columns either side of it differ no more
# than neighbouring columns of the same stretch of the Pacific do, within a factor of 2.5 (the
# sharp day picture once carried a broken last column there: 6 times). scale,centre pairs; the 4096 picture serves scales 3 and 4.
seams="2,180 3,180 4,180 3,150.5 3,-100"
for pair in $seams; do
  "$cli" render --at $at --data "$stage" --layers day --scale ${pair%,*} --center ${pair#*,} \
    --out "$work/seam-$pair.bmp"
done
python3 - "$work" $seams <<'PY'
import statistics, sys
from render_lib import read_bmp

work = sys.argv[1]
for pair in sys.argv[2:]:
    scale, centre = int(pair.split(",")[0]), float(pair.split(",")[1])
    w, h, rows = read_bmp(f"{work}/seam-{pair}.bmp")
    shift = round(centre * 1024 / 360)
    seam = (-shift) % 1024 * scale  # the device column where longitude -180 is shown
    def step(x):
        """Mean difference (0-255, summed over channels) between device columns x - 1 and x."""
        return sum(abs(rows[y][3 * x + c] - rows[y][3 * x - 3 + c]) for y in range(h) for c in range(3)) / h
    around = [step(x) for x in range(seam - 48, seam + 49) if x != seam]
    typical, at_seam = statistics.median(around), step(seam)
    print(f"scale {scale}, centre {centre}: step at the date line {at_seam:.1f}, around it {typical:.1f} "
          f"(largest {max(around):.1f})")
    assert at_seam <= 2.5 * typical, (pair, at_seam, typical)
print("render scale seam: ok")
PY
