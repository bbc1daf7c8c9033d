#!/usr/bin/env bash
# The window on a Wayland session: Debian's sway on its headless back-end, without XWayland and
# without DISPLAY (run as nobody when the test runs as root, which sway refuses), and the
# program left to choose its platform as a session says "wayland". It maps as a native client
# (xdg_shell), paints the map with the marked cities of a first start where the Earth has them
# (grabbed with grim), paints it again fitted after a resize, and ends with status 0 on SIGTERM.
# Usage: window_wayland.sh STAGE_DIR FIXTURES_DIR
set -u
stage=$1
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -x "$stage/meridiana" ]; then
  echo "SKIP: $stage/meridiana not built (configure with MERIDIANA_BUILD_GUI=ON)"
  exit 0
fi
for tool in sway swaymsg grim; do
  command -v $tool >/dev/null || { echo "FAIL: $tool is missing (scripts/deps.sh --test installs it)"; exit 1; }
done
tmp=$(mktemp -d)
chmod 755 "$tmp"
work=$tmp
pid=
fail() { echo "FAIL: $*"; exit 1; }
source "$here/sway_lib.bash"
source "$here/new_user_lib.bash"
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; stop_sway; rm -rf "$tmp"' EXIT
# No XWayland: a window that maps is a Wayland client. The program keeps its own runtime folder
# (its single-instance socket) and reaches the compositor by the socket's full path.
start_sway "$(printf 'xwayland disable\noutput * bg #203040 solid_color')"

# What sway says of the program's window: "shell x y width height", or nothing before it maps.
window() {
  swaymsg -t get_tree | python3 -c '
import json, sys
def nodes(n):
    yield n
    for child in n.get("nodes", []) + n.get("floating_nodes", []):
        yield from nodes(child)
for n in nodes(json.load(sys.stdin)):
    if n.get("pid") == int(sys.argv[1]) and n.get("visible"):
        r = n["rect"]
        print(n.get("shell"), r["x"], r["y"], r["width"], r["height"])
        break' "$pid"
}
# Grabs the window's rectangle with grim and checks the marked cities on it.
check_painted() { # what
  local shell x y w h
  read -r shell x y w h <<<"$(window)"
  WAYLAND_DISPLAY=$wayland grim -t ppm -g "$x,$y ${w}x$h" "$work/grab.ppm" 2>"$work/grim.log" ||
    fail "$1: grim cannot grab the window: $(cat "$work/grim.log")"
  python3 "$here/grab_check.py" marked "$work/grab.ppm" || fail "$1: the map is not painted"
}

mkdir -m 700 "$work/home"
# Under the sanitizers the window goes without Qt's EGL integration: Mesa's software driver,
# loaded for it and unloaded at exit, leaves allocations behind that LeakSanitizer can no longer
# name. The window draws through shared memory and needs none.
no_egl=()
ldd "$stage/meridiana" | grep -q libasan && no_egl=(QT_WAYLAND_CLIENT_BUFFER_INTEGRATION=none)
start_new_user_window -u DISPLAY -u QT_QPA_PLATFORM XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY="$wayland" \
  "${no_egl[@]}"
for _ in $(seq 600); do
  grep -q '^first-paint ' "$work/log" && [ -n "$(window)" ] && break
  kill -0 "$pid" 2>/dev/null || fail "ended early: $(cat "$work/log")"
  sleep 0.1
done
read -r shell _ _ width height <<<"$(window)"
[ "$shell" = xdg_shell ] || fail "not a native Wayland window (shell '$shell'): $(cat "$work/log")"
sleep 1  # the once-a-second clock paint has drawn the marked cities' times
check_painted "first paint ($width x $height)"

swaymsg "[pid=$pid] floating enable, resize set 900 560" >/dev/null || fail "sway cannot resize the window"
for _ in $(seq 50); do
  read -r _ _ _ w _ <<<"$(window)"
  [ "$w" != "$width" ] && break
  sleep 0.1
done
[ "$w" != "$width" ] || fail "the window kept its width $width after the resize"
sleep 1
kill -0 "$pid" 2>/dev/null || fail "ended after the resize: $(cat "$work/log")"
check_painted "after the resize to $w"

kill -TERM "$pid"
wait "$pid"
status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status on SIGTERM: $(cat "$work/log")"
echo "window on Wayland: ok"
