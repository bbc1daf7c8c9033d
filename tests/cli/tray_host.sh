#!/usr/bin/env bash
# With a tray host on the display (trayer on its own Xvfb, with a window manager) the program's
# icon is embedded in it; its menu minimises and restores the window, a double click on it
# restores, closing in wallpaper mode hides the window into it. When the host goes away the
# program runs on with its window on screen, and ends cleanly.
# Usage: tray_host.sh STAGE_DIR FIXTURES_DIR
set -u
stage=$1
if [ ! -x "$stage/meridiana" ]; then
  echo "SKIP: $stage/meridiana not built (configure with MERIDIANA_BUILD_GUI=ON)"
  exit 0
fi
work=$(mktemp -d)
pid=""
tray=""
wm=""
xvfb=""
cleanup() {
  {
    for job in $pid $tray $wm; do kill -KILL "$job" && wait "$job"; done
    [ -n "$xvfb" ] && kill -TERM "$xvfb" && wait "$xvfb"
  } 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_lib.bash"
start_xvfb || fail "Xvfb did not start: $(cat "$work/xvfb.log")"

# The window tree lines of the windows whose class is given, below a window given by id.
windows_of_class() { xwininfo -id "$1" -tree 2>/dev/null | grep -c "(\"$2\" "; }

# A window manager: minimising is a request to it.
openbox --sm-disable >"$work/wm.log" 2>&1 &
wm=$!
trayer --edge top --align right --widthtype pixel --width 100 --height 24 >"$work/trayer.log" 2>&1 &
tray=$!
panel=""
for _ in $(seq 1 300); do
  panel=$(xwininfo -root -tree | awk '/\("panel" "trayer"\)/ {print $1; exit}')
  [ -n "$panel" ] && break
  sleep 0.1
done
[ -n "$panel" ] || fail "trayer did not start: $(cat "$work/trayer.log")"

mkdir -m 700 "$work/run"
# Wallpaper mode is on, so that closing the window only hides it.
mkdir -p "$work/home/.config/quillary"
printf '[Software\\QUILLARY\\Meridiana]\nwallpaper=1\n' >"$work/home/.config/quillary/current-user.ini"
env -u MERIDIANA_HOME HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
  XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work/run" LANG=en_US.UTF-8 \
  "$stage/meridiana" >"$work/log" 2>&1 &
pid=$!
embedded=0
for _ in $(seq 1 300); do
  embedded=$(windows_of_class "$panel" meridiana)
  [ "$embedded" -ge 1 ] && break
  kill -0 "$pid" 2>/dev/null || fail "ended early: $(cat "$work/log")"
  sleep 0.1
done
[ "$embedded" -ge 1 ] || fail "no icon in the tray: $(xwininfo -id "$panel" -tree)"

main=$(xwininfo -root -tree | awk '/"Quillary Meridiana/ && /\("meridiana" "meridiana"\)/ {print $1; exit}')
[ -n "$main" ] || fail "no main window"
icon=$(xwininfo -id "$panel" -tree | awk '/\("meridiana" "meridiana"\)/ {print $1; exit}')
eval "$(xdotool getwindowgeometry --shell "$icon")"
at_icon() { xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)); }
# Waits until the main window's map state is $1 ("IsViewable" or "IsUnMapped").
expect_state() {
  for _ in $(seq 1 50); do
    xwininfo -id "$main" | grep -q "Map State: $1" && return 0
    sleep 0.1
  done
  fail "$2: $(xwininfo -id "$main" | grep 'Map State')"
}
# The tray menu: Restore, Minimize, Clocks, Quit. tray_menu STATE WHY KEYS...: chooses an entry
# by its keys and waits for the main window's state; a menu that was not open yet when the keys
# came (a loaded machine) is opened again, up to three times.
tray_menu() {
  local state=$1 why=$2 attempt
  shift 2
  for attempt in 1 2 3; do
    at_icon
    xdotool click 3
    sleep 0.5
    xdotool key "$@"
    for _ in $(seq 1 30); do
      xwininfo -id "$main" | grep -q "Map State: $state" && return 0
      sleep 0.1
    done
    xdotool key Escape
  done
  fail "$why: $(xwininfo -id "$main" | grep 'Map State')"
}

expect_state IsViewable "not shown at start"
tray_menu IsUnMapped "Minimize in the tray menu left the window on screen" Down Down Return
at_icon
xdotool click --repeat 2 --delay 80 1
expect_state IsViewable "a double click on the icon did not restore the window"
xdotool windowactivate --sync "$main" key alt+F4
expect_state IsUnMapped "closing in wallpaper mode did not hide the window"
kill -0 "$pid" 2>/dev/null || fail "closing in wallpaper mode ended the program"
tray_menu IsViewable "Restore in the tray menu did not bring the window back" Down Return

# The tray host ends: the program stays, and its main window is still viewable.
kill -TERM "$tray"
wait "$tray" 2>/dev/null
tray=""
sleep 2
kill -0 "$pid" 2>/dev/null || fail "ended with the tray: $(cat "$work/log")"
[ -n "$(xwininfo -root -tree | grep "$main")" ] || fail "main window gone"
xwininfo -id "$main" | grep -q "Map State: IsViewable" || fail "main window not on screen"

kill -TERM "$pid"
wait "$pid"
status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/log")"
echo "tray host: ok"
