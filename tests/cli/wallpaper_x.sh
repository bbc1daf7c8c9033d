#!/usr/bin/env bash
# meridiana-cli wallpaper on a plain X server (Xvfb with -noreset, no desktop): the root
# window's background is the map, letterboxed and the right way up, named in _XROOTPMAP_ID and ESETROOT_PMAP_ID; a
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
# 1280 x 640 of map between two black bars of 80 rows.
python3 "$(dirname "$0")/letterbox_check.py" "$tmp/root.xwd" 1280 800 80 \
  "$XDG_DATA_HOME/meridiana/Wallpaper.bmp" || fail "the root window does not show the letterboxed map"
"$cli" wallpaper refresh --at 2026-06-21T18:00:00Z || fail "refresh: exit status $?"
second=$(root_pixmap)
[ -n "$second" ] && [ "$second" != "$first" ] || fail "refresh: a new pixmap ($first, $second)"
"$cli" wallpaper off || fail "off: exit status $?"
[ -z "$(root_pixmap)" ] || fail "off: the root still names a pixmap: $(root_pixmap)"
# As a globe: the disc render --projection draws for the centre the settings name, 2048 x 1024,
# letterboxed like the map.
printf 'wallpaperprojection=orthographic\nwallpapercenter=52.5244,13.4105\n' \
  >>"$XDG_CONFIG_HOME/quillary/current-user.ini"
"$cli" wallpaper on --at 2026-06-21T12:00:00Z || fail "globe on: exit status $?"
"$cli" render --at 2026-06-21T12:00:00Z --projection orthographic --center-lat 52.5244 \
  --center 13.4105 --size 2048x1024 --out "$tmp/globe.bmp"
cmp -s "$tmp/globe.bmp" "$XDG_DATA_HOME/meridiana/Wallpaper.bmp" || fail "the wallpaper is not render's disc"
xwd -root -silent >"$tmp/globe.xwd"
python3 "$(dirname "$0")/letterbox_check.py" "$tmp/globe.xwd" 1280 800 80 \
  "$XDG_DATA_HOME/meridiana/Wallpaper.bmp" --disc || fail "the root window does not show the globe"
"$cli" wallpaper off || fail "globe off: exit status $?"
exit $failures
