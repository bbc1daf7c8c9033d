#!/usr/bin/env bash
# meridiana-cli wallpaper on LXQt: Debian's pcmanfm-qt running as the desktop (--desktop
# --profile=lxqt, as the LXQt session starts it) on Xvfb and a session bus of the test's own.
# on hands it the map, refresh the other file name, off the user's own picture, or the desktop
# colour when that picture is gone; without the desktop running, on fails and keeps nothing.
set -u
cli=$1/meridiana-cli
tmp=$(mktemp -d)
xvfb=
cleanup() { [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; rm -rf "$tmp"; }
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for tool in dbus-run-session pcmanfm-qt Xvfb gdbus xwd; do
  command -v $tool >/dev/null || { echo "FAIL: $tool is missing (scripts/deps.sh installs it)"; exit 1; }
done
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null & xvfb=$!
for i in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$tmp/display") HOME=$tmp XDG_CONFIG_HOME=$tmp/.config XDG_DATA_HOME=$tmp/.local/share
export XDG_CACHE_HOME=$tmp/.cache XDG_RUNTIME_DIR=$tmp/run XDG_CURRENT_DESKTOP=LXQt QT_QPA_PLATFORM=xcb cli
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/pcmanfm-qt/lxqt" && chmod 700 "$XDG_RUNTIME_DIR"
settings=$XDG_CONFIG_HOME/pcmanfm-qt/lxqt/settings.conf
# The user's own picture: pcmanfm-qt takes only a file it can load.
mine="$tmp/Pictures/hills at noon.png"
mkdir -p "$tmp/Pictures" && cp "$2/images/png_grey4.png" "$mine"
printf '[Desktop]\nWallpaper=%s\nWallpaperMode=zoom\n' "$mine" >"$settings"
export settings mine
dbus-run-session -- bash -c '
  picture() { sed -n "s/^Wallpaper=//p" "$settings"; }
  pcmanfm-qt --desktop --profile=lxqt >"$HOME/desktop.log" 2>&1 & desktop=$!
  for i in $(seq 100); do
    gdbus introspect --session --dest org.pcmanfm.PCManFM --object-path /Application >/dev/null 2>&1 && break
    sleep 0.1
  done
  "$cli" wallpaper on --at 2026-06-21T12:00:00Z || echo "on failed"
  echo "on: $(picture)"
  sleep 0.5; xwd -root -silent >"$HOME/on.xwd"  # the desktop window as drawn
  "$cli" wallpaper refresh --at 2026-06-21T13:00:00Z || echo "refresh failed"
  echo "refresh: $(picture)"
  "$cli" wallpaper on || echo "second on failed"
  "$cli" wallpaper off || echo "off failed"
  echo "off: $(picture)"
  # The user'"'"'s picture goes away while the map is shown: off still ends the mode.
  "$cli" wallpaper on || echo "third on failed"
  rm "$mine"
  "$cli" wallpaper off || echo "off without the picture failed"
  sleep 0.5; xwd -root -silent >"$HOME/gone.xwd"
  kill $desktop
' >"$tmp/out" 2>"$tmp/err"
user=$tmp/.local/share/meridiana
grep -q "failed" "$tmp/out" && fail "$(cat "$tmp/out" "$tmp/err")"
grep -qxF "on: $user/Wallpaper.bmp" "$tmp/out" || fail "on: $(grep '^on' "$tmp/out") $(cat "$tmp/err")"
grep -qxF "refresh: $user/Wallpaper-2.bmp" "$tmp/out" || fail "refresh: $(grep '^refresh' "$tmp/out")"
grep -qxF "off: $mine" "$tmp/out" || fail "off: $(grep '^off' "$tmp/out")"
# The map scaled to fit 800 x 600: 800 x 400 between bars of the desktop colour, 100 rows each.
python3 "$(dirname "$0")/letterbox_check.py" "$tmp/on.xwd" 800 600 100 ||
  fail "the desktop does not show the map fitted"
python3 "$(dirname "$0")/letterbox_check.py" "$tmp/gone.xwd" 800 600 300 ||
  fail "with the user's picture gone, off leaves more than the desktop colour"
grep -q "^wallpaper=0" "$tmp/.config/quillary/current-user.ini" || fail "the mode stayed on"
grep -q "wallpaperfile=set:$mine" "$tmp/.config/quillary/current-user.ini" ||
  fail "kept: $(grep wallpaper "$tmp/.config/quillary/current-user.ini")"

# No desktop on the bus: a clear failure, and the mode stays off.
status=0
HOME=$tmp/none XDG_CONFIG_HOME=$tmp/none/.config XDG_DATA_HOME=$tmp/none/share \
  dbus-run-session -- "$cli" wallpaper on 2>"$tmp/none.err" || status=$?
[ "$status" -eq 1 ] && grep -q "pcmanfm-qt is not running" "$tmp/none.err" || fail "no desktop: $status $(cat "$tmp/none.err")"
exit $failures
