#!/usr/bin/env bash
# With a tray host on the display (trayer on its own Xvfb) the program's icon is embedded in
# it; when the host goes away the program runs on with its window on screen, and ends cleanly.
# Usage: tray_host.sh STAGE_DIR FIXTURES_DIR
set -u
stage=$1
if [ ! -x "$stage/meridiana" ]; then
  echo "SKIP: $stage/meridiana not built (configure with MERIDIANA_BUILD_GUI=ON)"
  exit 0
fi
if [ -z "${MERIDIANA_TRAY_DISPLAY:-}" ]; then
  exec env MERIDIANA_TRAY_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
work=$(mktemp -d)
pid=""
tray=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  [ -n "$tray" ] && kill -KILL "$tray" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
# The window tree lines of the windows whose class is given, below a window given by id.
windows_of_class() { xwininfo -id "$1" -tree 2>/dev/null | grep -c "(\"$2\" "; }

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

# The tray host ends: the program stays, and its main window is still viewable.
kill -TERM "$tray"
wait "$tray" 2>/dev/null
tray=""
sleep 2
kill -0 "$pid" 2>/dev/null || fail "ended with the tray: $(cat "$work/log")"
main=$(xwininfo -root -tree | awk '/"Quillary Meridiana/ && /\("meridiana" "meridiana"\)/ {print $1; exit}')
[ -n "$main" ] || fail "main window gone"
xwininfo -id "$main" | grep -q "Map State: IsViewable" || fail "main window not on screen"

kill -TERM "$pid"
wait "$pid"
status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/log")"
echo "tray host: ok"
