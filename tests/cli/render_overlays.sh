#!/usr/bin/env bash
# meridiana-cli render with the window's view and overlays: pixel checks on synthetic images
# (uniform colours, not pictures of the Earth) and the synthetic test tables.
set -euo pipefail
source "$(dirname "$0")/render_lib.bash" "$@"
if ! cli_has_qt; then echo "SKIP: meridiana-cli built without Qt"; exit 0; fi

synthetic_data "$work"

render() { "$cli" render --at 2025-07-01T12:00:00Z --layers day --data "$work" "$@"; }
render --overlays grid,marked,info --mark Berlin --out "$work/a.bmp"
render --overlays grid,marked,info --mark Berlin --labels fixed --out "$work/c.bmp"
render --overlays grid --size 300x200 --zoom 2 --scroll 400,100 --out "$work/b.bmp"
python3 - "$work" <<'PY'
import sys
from render_lib import read_bmp
work = sys.argv[1]
def pixel(rows, x, y):
    b, g, r = rows[y][3 * x:3 * x + 3]
    return (r, g, b)
def check(cond, what):
    if not cond:
        sys.exit("FAIL: " + what)
w, h, a = read_bmp(f"{work}/a.bmp")
check((w, h) == (1024, 512), f"size {w}x{h}")
check(pixel(a, 512, 300) == (200, 0, 0), f"prime meridian {pixel(a, 512, 300)}")
check(pixel(a, 540, 300) == (0, 140, 0), f"meridian 10 E {pixel(a, 540, 300)}")
check(pixel(a, 700, 256) == (200, 0, 0), "equator")
# Berlin (52.52 N, 13.40 E) is base pixel (550, 107): a green square, its label on black to the
# right of it, level with it; with fixed labels below right, as earlier versions drew it.
check(pixel(a, 550, 107) == (0, 255, 0), f"Berlin marker {pixel(a, 550, 107)}")
def label_at(rows, top):
    box = [pixel(rows, x, y) for x in range(558, 600) for y in range(top, top + 11)]
    return box.count((0, 0, 0)) > 100 and (0, 255, 0) in box
w, h, c = read_bmp(f"{work}/c.bmp")
check(label_at(a, 102) and not label_at(a, 116), "Berlin's time label to the right")
check(label_at(c, 116) and not label_at(c, 102), "Berlin's fixed time label below right")
# The scale in the bottom-right corner: ringed in white on the grey map, plain when fixed.
def white(rows):
    return sum(pixel(rows, x, y) == (255, 255, 255) for x in range(924, 1024) for y in range(490, 512))
check(white(a) > 40 and white(c) == 0, f"the scale's halo {white(a)} {white(c)}")
w, h, b = read_bmp(f"{work}/b.bmp")
check((w, h) == (300, 200), f"view size {w}x{h}")
# At zoom 2 from (400, 100) the prime meridian (base x 512) is at view x 224.
check(pixel(b, 224, 150) == (200, 0, 0), f"scrolled prime meridian {pixel(b, 224, 150)}")
print("render overlays: ok")
PY

status=0; render --overlays stars --out "$work/x.png" 2>/dev/null || status=$?
[ "$status" = 2 ] || fail "an unknown overlay is a usage error ($status)"
status=0; render --overlays marked --mark Nowhereville --out "$work/x.png" 2>/dev/null || status=$?
[ "$status" = 1 ] && [ ! -e "$work/x.png" ] || fail "an unknown city to mark fails ($status)"
status=0; render --size 0x5 --out "$work/x.png" 2>/dev/null || status=$?
[ "$status" = 2 ] || fail "a bad size is a usage error ($status)"

# The quakes layer from a saved reply (its header included): a magnitude 5.01 quake at base
# pixel (512, 256) is a red disc; the legend's first swatch is blue.
printf 'HTTP/1.0 200 OK\r\n\r\n<QUAKES><QUAKE lat="0.2" lon="0.2" m="5.01"/></QUAKES>' >"$work/quakes.reply"
render --overlays quakes --quakes "$work/quakes.reply" --out "$work/q.bmp"
python3 - "$work" <<'PY'
import sys
from render_lib import read_bmp
w, h, rows = read_bmp(f"{sys.argv[1]}/q.bmp")
def pixel(x, y):
    b, g, r = rows[y][3 * x:3 * x + 3]
    return (r, g, b)
assert pixel(515, 259) == (255, 0, 0), f"quake disc {pixel(515, 259)}"
assert pixel(1024 - 250 + 5, 512 - 50 + 3) == (0, 0, 255), "legend swatch"
print("render quakes: ok")
PY
# The same list with where it came from: a line above the legend, in the legend's blue, that
# changes nothing else (the swatches and their digits stay as they were).
printf 'HTTP/1.0 200 OK\r\n\r\n<QUAKES source="USGS" updated="2025-07-01T11:57:00Z"><QUAKE lat="0.2" lon="0.2" m="5.01"/></QUAKES>' >"$work/quakes-live.reply"
render --overlays quakes --quakes "$work/quakes-live.reply" --out "$work/ql.bmp"
python3 - "$work" <<'PY'
import sys
from render_lib import read_bmp
_, _, plain = read_bmp(f"{sys.argv[1]}/q.bmp")
w, h, rows = read_bmp(f"{sys.argv[1]}/ql.bmp")
changed = [(x, y) for y in range(h) for x in range(w)
           if rows[y][3 * x:3 * x + 3] != plain[y][3 * x:3 * x + 3]]
assert changed, "no source line drawn"
swatch_top = 512 - 50
assert all(y < swatch_top for _, y in changed), f"drawn over the legend: {max(y for _, y in changed)}"
assert all(y > swatch_top - 24 for _, y in changed), f"not just above it: {min(y for _, y in changed)}"
assert all(x >= 1024 - 250 for x, _ in changed), f"left of the legend: {min(x for x, _ in changed)}"
def bluish(x, y):
    b, g, r = rows[y][3 * x:3 * x + 3]
    return b > r + 60 and b > g + 60
blue = sum(1 for x, y in changed if bluish(x, y))
assert blue > 20, f"the line is not in the legend's blue ({blue} pixels)"
print("render quake source line: ok")
PY
status=0; render --overlays quakes --quakes "$work/none.reply" --out "$work/x.png" 2>/dev/null || status=$?
[ "$status" = 1 ] || fail "a missing quake reply fails ($status)"
