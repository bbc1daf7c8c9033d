#!/usr/bin/env bash
# The shadow of meridiana-cli render against an independent solar computation: the NOAA solar
# calculator's equations (Meeus-based; the program itself follows a different published
# algorithm). Every pixel more than 0.5 degrees from the horizon must lie on the right side:
# night below, not night above, untouched above 9.5 degrees and twilight between 0.5 and 8.5.
set -euo pipefail
source "$(dirname "$0")/render_lib.bash"
mkdir -p "$work/images"

# Synthetic uniform base images whose channels tell night, twilight and day apart: the night
# blend gives (160, 40, 51), the day stays (0, 200, 255), twilight is neither.
python3 - "$work" <<'PY'
import sys
from render_lib import write_uniform_bmp
write_uniform_bmp(f"{sys.argv[1]}/images/earth_day.bmp", 1024, 512, (0, 200, 255))
write_uniform_bmp(f"{sys.argv[1]}/images/earth_night.bmp", 1024, 512, (200, 0, 0))
PY

instants="2026-06-21T12:00:00Z 2026-12-21T18:30:00Z 2027-03-20T06:00:00Z 2026-01-01T00:00:00Z 2049-09-10T03:17:00Z"
for at in $instants; do
  "$cli" render --at "$at" --data "$work" --out "$work/$at.bmp"
done
# Past 2050 the solar routine rejects the instant: a shadow that cannot be computed is a failure
# with a reason, not a plain day map.
status=0
"$cli" render --at 2051-06-01T00:00:00Z --data "$work" --out "$work/late.bmp" 2>"$work/late.err" || status=$?
[ "$status" = 1 ] || { echo "FAIL: render past 2050 gave status $status"; exit 1; }
grep -q 2051 "$work/late.err" || { echo "FAIL: no reason: $(cat "$work/late.err")"; exit 1; }
[ ! -e "$work/late.bmp" ] || { echo "FAIL: render past 2050 wrote a map"; exit 1; }
# Without the shadow the same instant is refused as well: every face takes the same years.
status=0
"$cli" render --at 2051-06-01T00:00:00Z --layers day --data "$work" --out "$work/late.bmp" 2>/dev/null ||
  status=$?
[ "$status" = 1 ] || { echo "FAIL: a day map past 2050 gave status $status"; exit 1; }
# Without the shadow a map is the day map alone.
"$cli" render --at 2050-06-01T00:00:00Z --layers day --data "$work" --out "$work/late.bmp"

# With the later options off (twilight and the like), the shipped pictures render byte for byte
# as they did before those options existed (digests of the build of 9 December 2026).
while read -r digest at layers; do
  "$cli" render --at "$at" --layers "$layers" --data "$stage" --out "$work/same.bmp"
  got=$(sha256sum "$work/same.bmp" | cut -d' ' -f1)
  [ "$got" = "$digest" ] || { echo "FAIL: render --at $at --layers $layers changed: $got"; exit 1; }
done <<'DIGESTS'
2453ff543134fc16a2656b117efea2bbdd00ce45322bbdd9fb5ba97b424612ea 2026-12-09T12:00:00Z day,shadow
bc24d72b50696fbb9117cc2cf2e7fe63ef7a5c3c07d16f052d5c069b7af4aa79 2026-06-21T06:30:00Z day,zones,shadow
DIGESTS

# Twilight draws the dark side in bands: with a grey day of 200 over a black night each band
# leaves its own grey (civil 80, nautical 40, astronomical 20, night 0).
mkdir -p "$work/grey/images"
python3 - "$work/grey" <<'PY'
import sys
from render_lib import write_uniform_bmp
write_uniform_bmp(f"{sys.argv[1]}/images/earth_day.bmp", 1024, 512, (200, 200, 200))
write_uniform_bmp(f"{sys.argv[1]}/images/earth_night.bmp", 1024, 512, (0, 0, 0))
PY
"$cli" render --at 2027-03-20T12:00:00Z --layers day,twilight --data "$work/grey" --out "$work/twilight.bmp"
python3 - "$work/twilight.bmp" <<'PY'
import sys
from render_lib import read_bmp
_, _, rows = read_bmp(sys.argv[1])
# Along the equator at the equinox with noon at Greenwich, going west from the noon meridian:
# day, the soft edge, then civil, nautical and astronomical twilight (each about 17 pixels,
# 6 degrees) and the night.
row = [rows[256][3 * x] for x in range(512, -1, -1)]
order = []
for grey in row:
    if grey in (200, 80, 40, 20, 0) and (not order or order[-1] != grey):
        order.append(grey)
assert order == [200, 80, 40, 20, 0], order
for grey in (40, 20):
    assert 15 <= row.count(grey) <= 19, f"band {grey}: {row.count(grey)} pixels"
PY

python3 - "$work" $instants <<'PY'
import calendar, math, sys
from datetime import datetime
from render_lib import noaa_sun, read_bmp

sun = noaa_sun

work, failures = sys.argv[1], 0
NIGHT, DAY = (160, 40, 51), (0, 200, 255)
lo, hi, top, tw = (math.sin(math.radians(a)) for a in (-0.5, 0.5, 9.5, 8.5))
for at in sys.argv[2:]:
    unix = calendar.timegm(datetime.strptime(at, "%Y-%m-%dT%H:%M:%SZ").timetuple())
    decl, eot = sun(unix)
    minutes = (unix % 86400) / 60.0
    w, h, rows = read_bmp(f"{work}/{at}.bmp")
    sd, cd = math.sin(math.radians(decl)), math.cos(math.radians(decl))
    cos_ha = []
    for x in range(w):
        lon = 180 - (w - 1 - x) * 360 / w
        tst = (minutes + eot + 4 * lon) % 1440
        ha = tst / 4 - 180
        cos_ha.append(math.cos(math.radians(ha)))
    counts = {"night": 0, "twilight": 0, "day": 0, "skipped": 0}
    wrong = []
    for y in range(h):
        lat = math.radians(90 - y * 180 / h)
        a, b = math.sin(lat) * sd, math.cos(lat) * cd
        row = rows[y]
        for x in range(w):
            s = a + b * cos_ha[x]
            px = (row[3 * x], row[3 * x + 1], row[3 * x + 2])
            if s < lo:
                ok, kind = px == NIGHT, "night"
            elif s > top:
                ok, kind = px == DAY, "day"
            elif hi < s < tw:
                ok, kind = px != NIGHT and px != DAY, "twilight"
            elif s > hi:
                ok, kind = px != NIGHT, "day"
            else:
                counts["skipped"] += 1
                continue
            counts[kind] += 1
            if not ok:
                wrong.append((x, y, px, round(math.degrees(math.asin(max(-1, min(1, s)))), 3)))
    print(f"{at}: {counts}, wrong {len(wrong)} {wrong[:5]}")
    failures += len(wrong)
    if counts["night"] < 1000 or counts["day"] < 1000:
        sys.exit(f"FAIL: {at} should show both day and night")

_, _, late = read_bmp(f"{work}/late.bmp")
if any(r != bytes(DAY) * 1024 for r in late):
    sys.exit("FAIL: a map without layers must be the day map")
if failures:
    sys.exit(f"FAIL: {failures} pixels on the wrong side of the horizon")
print("render shadow: ok")
PY

# With Twilight on, the sunlit side of the shipped pictures is the plain shadow's, pixel for
# pixel, at the base size and sharp: everywhere the Sun stands more than 1 degree high (1.05 by
# the NOAA equations, which differ from the program's by about 0.01). Below the horizon the bands
# differ from the shadow.
pairs="2027-03-20T12:00:00Z,1 2027-06-21T08:11:00Z,1 2027-06-21T08:11:00Z,2"
for pair in $pairs; do
  at=${pair%,*} scale=${pair#*,}
  for layers in day,shadow day,twilight; do
    "$cli" render --at "$at" --data "$stage" --layers $layers --scale "$scale" \
      --out "$work/sunlit-$layers-$at-$scale.bmp"
  done
done
python3 - "$work" $pairs <<'PY'
import calendar, math, sys
from datetime import datetime
from render_lib import noaa_sun, read_bmp

work = sys.argv[1]
for pair in sys.argv[2:]:
    at, scale = pair.split(",")
    unix = calendar.timegm(datetime.strptime(at, "%Y-%m-%dT%H:%M:%SZ").timetuple())
    decl, eot = noaa_sun(unix)
    minutes = (unix % 86400) / 60.0
    w, h, shadow = read_bmp(f"{work}/sunlit-day,shadow-{at}-{scale}.bmp")
    _, _, twilight = read_bmp(f"{work}/sunlit-day,twilight-{at}-{scale}.bmp")
    sd, cd = math.sin(math.radians(decl)), math.cos(math.radians(decl))
    high, low = math.sin(math.radians(1.05)), math.sin(math.radians(-0.5))
    # The base map's pixel (x, y) stands for its corner; a sharp device pixel for its centre.
    at_x = (lambda x: 180 - (w - 1 - x) * 360 / w) if scale == "1" else (lambda x: (x + 0.5) / w * 360 - 180)
    at_y = (lambda y: 90 - y * 180 / h) if scale == "1" else (lambda y: 90 - (y + 0.5) * 180 / h)
    cos_ha = [math.cos(math.radians(((minutes + eot + 4 * at_x(x)) % 1440) / 4 - 180)) for x in range(w)]
    sunlit = differing = dark = dark_same = 0
    for y in range(h):
        lat = math.radians(at_y(y))
        a, b = math.sin(lat) * sd, math.cos(lat) * cd
        rs, rt = shadow[y], twilight[y]
        if rs == rt and a + b > high and a - b > high:
            sunlit += w
            continue
        for x in range(w):
            s = a + b * cos_ha[x]
            same = rs[3 * x:3 * x + 3] == rt[3 * x:3 * x + 3]
            if s > high:
                sunlit += 1
                differing += not same
            elif s < low:
                dark += 1
                dark_same += same
    print(f"{at} scale {scale}: {sunlit} sunlit pixels, {differing} differ; "
          f"{dark_same} of {dark} dark pixels as the shadow")
    assert sunlit > w * h // 3 and differing == 0, (sunlit, differing)
    assert dark_same < dark // 4, (dark_same, dark)
print("render twilight sunlit side: ok")
PY
