#!/usr/bin/env bash
# meridiana-cli render --center: the shipped pictures with their shadow centred elsewhere are the
# Greenwich render with its columns turned, pixel for pixel; the layers follow; bad values are
# refused before anything is written.
set -euo pipefail
source "$(dirname "$0")/render_lib.bash" "$@"

at=2026-12-09T12:00:00Z
render() { "$cli" render --at "$at" --layers day,zones,shadow --data "$stage" "$@"; }
render --out "$work/plain.bmp"
render --center 0 --out "$work/zero.bmp"
cmp -s "$work/plain.bmp" "$work/zero.bmp" || fail "--center 0 is not the plain render"
for centre in 180 -180 150 -73.5; do render --center "$centre" --out "$work/c$centre.bmp"; done
cmp -s "$work/c180.bmp" "$work/c-180.bmp" || fail "--center 180 and -180 differ"
# The columns each centre turns the map by: the centre rounded to a whole column.
python3 - "$work" <<'PY'
import sys
from render_lib import read_bmp
work = sys.argv[1]
w, h, plain = read_bmp(f"{work}/plain.bmp")
for centre, shift in (("180", 512), ("150", 427), ("-73.5", -209)):
    cw, ch, rows = read_bmp(f"{work}/c{centre}.bmp")
    assert (cw, ch) == (w, h), (centre, cw, ch)
    s = shift % w
    for y in range(h):
        expected = plain[y][3 * s:] + plain[y][:3 * s]
        assert rows[y] == expected, f"--center {centre}: row {y} is not turned by {shift}"
PY
# The sharp picture turns the same way: half its width for the Pacific.
render --scale 2 --out "$work/sharp.bmp"
render --scale 2 --center 180 --out "$work/sharp180.bmp"
python3 - "$work" <<'PY'
import sys
from render_lib import read_bmp
work = sys.argv[1]
w, h, plain = read_bmp(f"{work}/sharp.bmp")
_, _, turned = read_bmp(f"{work}/sharp180.bmp")
s = 3 * (w // 2)
for y in range(h):
    assert turned[y] == plain[y][s:] + plain[y][:s], f"--scale 2 --center 180: row {y}"
PY

for bad in 181 -180.5 abc "" 1e3 nan 15x; do
  status=0
  render --center "$bad" --out "$work/bad.bmp" 2>"$work/bad.err" || status=$?
  [ "$status" = 2 ] || fail "--center '$bad' gave status $status"
  grep -q "from -180 to 180" "$work/bad.err" || fail "no reason for '$bad': $(cat "$work/bad.err")"
  [ ! -e "$work/bad.bmp" ] || fail "--center '$bad' wrote a map"
done

# The layers: a marked city's square and the prime meridian move with the map.
if ! cli_has_qt; then echo "SKIP: the layers need meridiana-cli with Qt"; exit 0; fi
synthetic_data "$work/synthetic"
for centre in 0 150 -73.5 180; do
  "$cli" render --at 2025-07-01T12:00:00Z --layers day --data "$work/synthetic" --center "$centre" \
    --overlays grid,marked --mark Berlin --out "$work/o$centre.bmp"
done
python3 - "$work" <<'PY'
import sys
from render_lib import read_bmp
work = sys.argv[1]
def pixel(rows, x, y):
    b, g, r = rows[y][3 * x:3 * x + 3]
    return (r, g, b)
# Berlin (13.40 E) is picture column 550, Greenwich 512: each moved left by the centre's columns.
for centre, shift in (("0", 0), ("150", 427), ("-73.5", -209), ("180", 512)):
    _, _, rows = read_bmp(f"{work}/o{centre}.bmp")
    berlin = (550 - shift) % 1024
    assert pixel(rows, berlin, 107) == (0, 255, 0), f"{centre}: Berlin {pixel(rows, berlin, 107)}"
    prime = (512 - shift) % 1024
    if prime:
        assert pixel(rows, prime, 300) == (200, 0, 0), f"{centre}: prime {pixel(rows, prime, 300)}"
    assert pixel(rows, 512, 300) != (200, 0, 0) or prime == 512, f"{centre}: a line left at 512"
PY
echo OK
