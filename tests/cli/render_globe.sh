#!/usr/bin/env bash
# render --projection orthographic|azimuthal: the Earth as a disc. Checked against an independent
# projection (render_lib.disc_place, Snyder's formulas) and solar computation (the NOAA
# equations): a coastal city's square sits on its coast, a city on the far side is not drawn,
# and the shadow's night, soft edge and day lie where the Sun's elevation puts them.
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
--projection Azimuthal|not rectangular, orthographic or azimuthal: 'Azimuthal'
--projection orthographic --center-lat 90.5|not a latitude from -90 to 90: '90.5'
--projection azimuthal --center-lat -91|not a latitude from -90 to 90: '-91'
--projection azimuthal --center-lat 45N|not a latitude from -90 to 90: '45N'
--center-lat 45|--center-lat needs
--projection rectangular --center-lat 10|--center-lat needs
--projection orthographic --zoom 2|--zoom and --scroll are for the rectangular map
--projection azimuthal --scroll 10,10|--zoom and --scroll are for the rectangular map
REFUSED

# The rectangular projection is the map as it always was, byte for byte.
for args in "--center 40" "--size 600x300 --center -73.5"; do
  # shellcheck disable=SC2086
  "$cli" render --at 2026-06-21T12:00:00Z $args --data "$stage" --out "$work/plain.bmp"
  # shellcheck disable=SC2086
  "$cli" render --at 2026-06-21T12:00:00Z $args --projection rectangular --data "$stage" \
    --out "$work/rect.bmp"
  cmp -s "$work/plain.bmp" "$work/rect.bmp" || fail "--projection rectangular $args changed the map"
done

# Coasts: the day picture alone, then with the marked cities' squares, on a disc over Africa and
# Europe. Sydney lies on the orthographic far side.
if cli_has_qt; then
  for kind in orthographic azimuthal; do
    common=(--at 2026-06-21T12:00:00Z --layers day --projection "$kind" --center 10 --center-lat 20
      --size 1024x1024 --data "$stage")
    "$cli" render "${common[@]}" --out "$work/$kind-plain.png"
    "$cli" render "${common[@]}" --overlays marked --mark "Cape Town,Genoa,Lisbon,Sydney" \
      --out "$work/$kind-marked.png" 2>/dev/null
  done
  python3 - "$work" <<'PY'
import math, sys
from render_lib import disc_point, read_png

work = sys.argv[1]
GREEN = b"\x00\xff\x00"
cities = [("Cape Town", -33.93, 18.42), ("Genoa", 44.40, 8.94), ("Lisbon", 38.72, -9.14),
          ("Sydney", -33.87, 151.21)]
for kind in ("orthographic", "azimuthal"):
    w, h, plain = read_png(f"{work}/{kind}-plain.png")
    _, _, marked = read_png(f"{work}/{kind}-marked.png")
    green = lambda x, y: marked[y][3 * x:3 * x + 3] == GREEN
    # Squares: the top-left of each solid 4 x 4 green block (a square's inside; text has none).
    squares = {(x, y) for y in range(h - 3) for x in range(w - 3)
               if green(x, y) and green(x + 3, y) and green(x, y + 3) and green(x + 3, y + 3)
               and all(green(x + i, y + j) for i in range(4) for j in range(4))}
    drawn = 0
    for name, lat, lon in cities:
        at = disc_point(kind, 20, 10, w, h, lat, lon)
        if at is None:  # hidden: counted below, no square may stand for it
            continue
        drawn += 1
        fx, fy = math.floor(at[0]), math.floor(at[1])
        # The square's inside is the four pixels from one left of and above the place.
        assert (fx - 1, fy - 1) in squares, f"{kind}: {name} not at {fx},{fy}: {sorted(squares)}"
        # On the coast: within 8 pixels of the place, the day picture shows sea and land.
        sea = land = 0
        for y in range(fy - 8, fy + 9):
            for x in range(fx - 8, fx + 9):
                b, g, r = plain[y][3 * x:3 * x + 3]
                if b > g + 15 and b > r + 30:
                    sea += 1
                elif g > b:
                    land += 1
        assert sea >= 10 and land >= 10, f"{kind}: {name} has sea {sea}, land {land} around it"
    assert len(squares) == drawn, f"{kind}: {len(squares)} squares for {drawn} cities"
    assert drawn == (3 if kind == "orthographic" else 4), (kind, drawn)
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
from datetime import datetime
from render_lib import disc_place, read_bmp, solar_elevation

work = sys.argv[1]
NIGHT, DAY, BLACK = (160, 40, 51), (0, 200, 255), (0, 0, 0)
for case in sys.argv[2:]:
    kind, lat0, lon0, at = case.split("|")
    unix = calendar.timegm(datetime.strptime(at, "%Y-%m-%dT%H:%M:%SZ").timetuple())
    w, h, rows = read_bmp(f"{work}/shadow-{kind}-{lat0}.bmp")
    counts = {"outside": 0, "night": 0, "edge": 0, "day": 0}
    wrong = []
    for y in range(0, h, 2):
        for x in range(0, w, 2):
            px = tuple(rows[y][3 * x:3 * x + 3])
            place = disc_place(kind, float(lat0), float(lon0), w, h, x, y)
            if place is None:
                kind_of, ok = "outside", px == BLACK
            else:
                e = solar_elevation(unix, *place)
                if e < -0.5:
                    kind_of, ok = "night", px == NIGHT
                elif e > 9.5:
                    kind_of, ok = "day", px == DAY
                elif 0.5 < e < 8.5:
                    kind_of, ok = "edge", px not in (NIGHT, DAY)
                else:
                    continue
            counts[kind_of] += 1
            if not ok:
                wrong.append((x, y, px, kind_of))
    assert not wrong, f"{case}: {len(wrong)} pixels wrong, first {wrong[:5]}"
    assert all(n > 200 for n in counts.values()), f"{case}: {counts}"
PY
echo "render_globe: ok"
