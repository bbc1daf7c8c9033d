#!/usr/bin/env bash
# render --projection: the Earth as a disc, against an independent projection (Snyder's
# formulas) and solar computation (NOAA's): coastal cities' squares on their coasts, none for a
# city on the far side, and night, soft edge and day where the Sun's elevation puts them.
set -euo pipefail
source "$(dirname "$0")/render_lib.bash"

# Refused, with a usage error and no file: a projection or latitude it cannot take, a latitude
# or a zoom where there is no disc.
while IFS='|' read -r args said; do
  status=0
  # shellcheck disable=SC2086
  "$cli" render $args --data "$stage" --out "$work/refused.png" 2>"$work/err" || status=$?
  [ "$status" = 2 ] || fail "render $args gave status $status"
  grep -qF -- "$said" "$work/err" || fail "render $args said: $(head -1 "$work/err")"
  [ ! -e "$work/refused.png" ] || fail "render $args wrote a picture"
done <<'REFUSED'
--projection globe|not rectangular, orthographic or azimuthal: 'globe'
--projection orthographic --center-lat 90.5|not a latitude from -90 to 90: '90.5'
--projection azimuthal --center-lat 45N|not a latitude from -90 to 90: '45N'
--center-lat 45|--center-lat needs
--projection azimuthal --scroll 10,10|--zoom and --scroll are for the rectangular map
REFUSED

# The rectangular projection is the map, byte for byte.
"$cli" render --at 2026-06-21T12:00:00Z --center -73.5 --data "$stage" --out "$work/plain.bmp"
"$cli" render --at 2026-06-21T12:00:00Z --center -73.5 --projection rectangular --data "$stage" \
  --out "$work/rect.bmp"
cmp -s "$work/plain.bmp" "$work/rect.bmp" || fail "--projection rectangular changed the map"

# Coasts: the day picture, then with the marked cities' squares, on a disc over Africa and
# Europe; Sydney lies on the orthographic far side.
if cli_has_qt; then
  for kind in orthographic azimuthal; do
    common=(--at 2026-06-21T12:00:00Z --layers day --projection "$kind" --center 10 --center-lat 20
      --size 1024x1024 --data "$stage")
    "$cli" render "${common[@]}" --out "$work/$kind-plain.png"
    "$cli" render "${common[@]}" --overlays marked --mark "Cape Town,Genoa,Lisbon,Sydney" \
      --out "$work/$kind-marked.png" 2>/dev/null
  done
  python3 - "$work" <<'PY'
import sys
from render_lib import arc, disc_place, read_png

cities = {"Cape Town": (-33.93, 18.42), "Genoa": (44.40, 8.94), "Lisbon": (38.72, -9.14),
          "Sydney": (-33.87, 151.21)}
for kind in ("orthographic", "azimuthal"):
    w, h, plain = read_png(f"{sys.argv[1]}/{kind}-plain.png")
    _, _, marked = read_png(f"{sys.argv[1]}/{kind}-marked.png")
    # A square's inside is a solid 4 x 4 green block (text has none) from one pixel up and left
    # of the pixel of its place.
    green = lambda x, y: marked[y][3 * x:3 * x + 3] == b"\x00\xff\x00"
    squares = [(x + 1, y + 1) for y in range(h - 3) for x in range(w - 3)
               if all(green(x + i, y + j) for i in (0, 3, 1, 2) for j in (0, 3, 1, 2))]
    shown = {n for n, (lat, lon) in cities.items() if kind == "azimuthal" or arc(20, 10, lat, lon) < 90}
    assert len(squares) == len(shown) == (3 if kind == "orthographic" else 4), (kind, squares)
    for x, y in squares:
        lat, lon = disc_place(kind, 20, 10, w, h, x, y)
        name = min(shown, key=lambda n: arc(lat, lon, *cities[n]))
        assert arc(lat, lon, *cities[name]) < 0.6, f"{kind}: the square at {x},{y} is off {name}"
        # On the coast: within 8 pixels of the place the day picture shows sea and land.
        near = [plain[j][3 * i:3 * i + 3] for j in range(y - 8, y + 9) for i in range(x - 8, x + 9)]
        sea = sum(b > g + 15 and b > r + 30 for b, g, r in near)
        land = sum(g > b for b, g, r in near)
        assert sea >= 10 and land >= 10, f"{kind}: {name} has sea {sea}, land {land} around it"
PY
fi

# The shadow on a disc against the Sun's elevation at each pixel's place, with uniform pictures
# whose blends tell night (160, 40, 51), the soft edge and the day (0, 200, 255) apart.
mkdir -p "$work/flat/images"
python3 - "$work/flat" <<'PY'
import sys
from render_lib import write_uniform_bmp
write_uniform_bmp(f"{sys.argv[1]}/images/earth_day.bmp", 1024, 512, (0, 200, 255))
write_uniform_bmp(f"{sys.argv[1]}/images/earth_night.bmp", 1024, 512, (200, 0, 0))
PY
cases="orthographic|45|80|2026-06-21T12:00:00Z orthographic|-60|-100|2027-03-20T06:00:00Z
azimuthal|0|0|2026-06-21T12:00:00Z azimuthal|90|30|2026-12-21T18:30:00Z"
for case in $cases; do
  IFS='|' read -r kind lat lon at <<<"$case"
  "$cli" render --at "$at" --projection "$kind" --center-lat "$lat" --center "$lon" --size 600x400 \
    --data "$work/flat" --out "$work/shadow-$kind-$lat.bmp"
done
python3 - "$work" $cases <<'PY'
import calendar, sys
from collections import Counter
from datetime import datetime
from render_lib import disc_place, read_bmp, solar_elevation

NIGHT, DAY, BLACK = (160, 40, 51), (0, 200, 255), (0, 0, 0)
for case in sys.argv[2:]:
    kind, lat0, lon0, at = case.split("|")
    unix = calendar.timegm(datetime.strptime(at, "%Y-%m-%dT%H:%M:%SZ").timetuple())
    w, h, rows = read_bmp(f"{sys.argv[1]}/shadow-{kind}-{lat0}.bmp")
    counts, wrong = Counter(), []
    for y in range(0, h, 2):
        for x in range(0, w, 2):
            px = tuple(rows[y][3 * x:3 * x + 3])
            place = disc_place(kind, float(lat0), float(lon0), w, h, x, y)
            e = solar_elevation(unix, *place) if place else None
            want = (BLACK if e is None else NIGHT if e < -0.5 else DAY if e > 9.5
                    else "edge" if 0.5 < e < 8.5 else None)
            if want is None:
                continue  # within half a degree of where the blend changes
            counts[want] += 1
            if not (px not in (NIGHT, DAY) if want == "edge" else px == want):
                wrong.append((x, y, px, want))
    assert not wrong, f"{case}: {len(wrong)} pixels wrong, first {wrong[:5]}"
    assert len(counts) == 4 and min(counts.values()) > 200, f"{case}: {counts}"
PY
echo "render_globe: ok"
