#!/usr/bin/env bash
# meridiana-cli wallpaper on a plain X server (Xvfb with -noreset, no desktop): the root
# window's background is the map, letterboxed, named in _XROOTPMAP_ID and ESETROOT_PMAP_ID; a
# refresh puts a new pixmap in place; off leaves the root as it was before.
set -u
cli=$1/meridiana-cli
tmp=$(mktemp -d)
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for tool in Xvfb xprop xwd; do
  command -v $tool >/dev/null || { echo "FAIL: $tool is missing (scripts/deps.sh installs it)"; exit 1; }
done
exec 3>"$tmp/display"
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
export DISPLAY=:$(head -n1 "$tmp/display")
unset XDG_CURRENT_DESKTOP
export HOME=$tmp XDG_CONFIG_HOME=$tmp/.config XDG_DATA_HOME=$tmp/.local/share QT_QPA_PLATFORM=

root_pixmap() { xprop -root _XROOTPMAP_ID 2>/dev/null | sed -n 's/.*pixmap id # //p'; }
"$cli" wallpaper on --at 2026-06-21T12:00:00Z || fail "on: exit status $?"
first=$(root_pixmap)
[ -n "$first" ] || fail "no _XROOTPMAP_ID after on"
[ "$(xprop -root ESETROOT_PMAP_ID | sed -n 's/.*pixmap id # //p')" == "$first" ] || fail "ESETROOT_PMAP_ID"
xwd -root -silent >"$tmp/root.xwd"
python3 - "$tmp/root.xwd" <<'PY' || fail "the root window does not show the letterboxed map"
import struct, sys
data = open(sys.argv[1], "rb").read()
h = struct.unpack(">25I", data[:100])
header, width, height, order, bpp, line, ncolors = h[0], h[4], h[5], h[7], h[11], h[12], h[19]
pixels = data[header + 12 * ncolors:]
def pixel(x, y):
    at = y * line + x * bpp // 8
    value = int.from_bytes(pixels[at:at + 4], "little" if order == 0 else "big")
    return (value >> 16) & 255, (value >> 8) & 255, value & 255
assert (width, height) == (1280, 800), (width, height)
# 1280 x 640 of map between two black bars of 80 rows.
assert pixel(640, 40) == (0, 0, 0) and pixel(640, 760) == (0, 0, 0), "bars"
lit = sum(1 for x in range(0, 1280, 64) for y in range(100, 700, 60) if pixel(x, y) != (0, 0, 0))
assert lit > 150, f"{lit} of 200 samples show the map"
PY
"$cli" wallpaper refresh --at 2026-06-21T18:00:00Z || fail "refresh: exit status $?"
second=$(root_pixmap)
[ -n "$second" ] && [ "$second" != "$first" ] || fail "refresh: a new pixmap ($first, $second)"
"$cli" wallpaper off || fail "off: exit status $?"
[ -z "$(root_pixmap)" ] || fail "off: the root still names a pixmap: $(root_pixmap)"
exit $failures
