#!/usr/bin/env bash
# meridiana-cli render --overlays ...,moon: the disc stands where `moon` puts the Moon, lit as
# much as the Moon is, and changes no pixel elsewhere; without it the picture is the one the
# other layers give.
set -euo pipefail
source "$(dirname "$0")/render_lib.bash" "$@"
if ! cli_has_qt; then echo "SKIP: meridiana-cli built without Qt"; exit 0; fi

synthetic_data "$work"

# A waxing gibbous Moon (2024-01-21, 0h UTC).
at=2024-01-21T00:00:00Z
render() { "$cli" render --at $at --layers day --data "$work" "$@"; }
render --overlays grid --out "$work/plain.bmp"
render --overlays grid,moon --out "$work/moon.bmp"
moon=$("$cli" moon --at $at)
lat=$(sed -n 's/^sublunar_latitude=//p' <<<"$moon")
lon=$(sed -n 's/^sublunar_longitude=//p' <<<"$moon")
fraction=$(sed -n 's/^illuminated_fraction=//p' <<<"$moon")

python3 - "$work" "$lat" "$lon" "$fraction" <<'PY' || fail "moon layer pixels"
import sys
from render_lib import read_bmp
work, lat, lon, fraction = sys.argv[1], float(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])
w, h, plain = read_bmp(f"{work}/plain.bmp")
_, _, moon = read_bmp(f"{work}/moon.bmp")
cx = int((lon + 180) * 1024 / 360)
cy = 512 - int((lat + 90) / 180 * 512)
changed, lit = [], 0
for y in range(h):
    for x in range(w):
        if plain[y][3 * x:3 * x + 3] != moon[y][3 * x:3 * x + 3]:
            changed.append((x, y))
            if moon[y][3 * x:3 * x + 3] == bytes((215, 245, 250)):
                lit += 1
assert changed, "no disc drawn"
far = [(x, y) for x, y in changed if abs(x - cx) > 8 or abs(y - cy) > 8]
xs = [x for x, _ in changed]; ys = [y for _, y in changed]
assert not far, f"pixels changed away from the Moon at ({cx},{cy}): {min(xs)}..{max(xs)} x {min(ys)}..{max(ys)}"
disc = sum(1 for dy in range(-6, 7) for dx in range(-6, 7) if dx * dx + dy * dy <= 36)
assert abs(lit / disc - fraction) < 0.15, (lit, disc, fraction)
PY
echo ok
