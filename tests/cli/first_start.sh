#!/usr/bin/env bash
# A first start as a new user makes it with scripts/run.sh: the program from the staged tree
# (the meridiana_app target that run.sh builds, which the test build.meridiana_app builds first),
# an empty user folder and an empty configuration folder, under an X server. It paints the map
# with the installed marked cities, offers every shipped language, shows no message box, and ends
# cleanly on SIGTERM with its settings saved.
# Usage: first_start.sh STAGE_DIR FIXTURES_DIR
set -u
stage=$1
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -x "$stage/meridiana" ]; then
  echo "SKIP: $stage/meridiana not built (configure with MERIDIANA_BUILD_GUI=ON)"
  exit 0
fi
. "$here/xvfb_lib.bash"
. "$here/new_user_lib.bash"
window_test_folder

start_xvfb 1280x1024x24 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
start_new_user_window
for _ in $(seq 1 600); do
  grep -q '^first-paint ' "$work/log" && break
  kill -0 "$pid" 2>/dev/null || fail "ended early: $(cat "$work/log")"
  sleep 0.1
done
grep -q '^first-paint ' "$work/log" || fail "no map painted in 60 s: $(cat "$work/log")"
main=$(xwininfo -root -tree | awk '/"Quillary Meridiana/ && /\("meridiana" "meridiana"\)/ {print $1; exit}')
[ -n "$main" ] || fail "no main window: $(xwininfo -root -tree)"
sleep 1  # the once-a-second clock paint has drawn the marked cities' times

xwininfo -root -tree | grep -E '"(Error|Warning|Browser Error)"' && fail "a message box is open: $(cat "$work/log")"
xwd -silent -id "$main" >"$work/window.xwd" || fail "cannot grab the window"
python3 "$here/grab_check.py" marked "$work/window.xwd" || fail "the marked cities are not drawn"

# The Language menu: English and the fourteen shipped languages, one line each.
before=$(xwininfo -root -children | grep -c '("meridiana" "meridiana")')
xdotool windowfocus --sync "$main" key alt+l
popup=""
for _ in $(seq 1 50); do
  popup=$(xwininfo -root -children | awk '/\("meridiana" "meridiana"\)/ && !/"Quillary Meridiana/ {print $1}' | while read -r w; do
    xwininfo -id "$w" | grep -q 'Map State: IsViewable' && echo "$w"; done | head -n1)
  [ -n "$popup" ] && break
  sleep 0.1
done
[ -n "$popup" ] || fail "the Language menu did not open ($before windows): $(xwininfo -root -children)"
sleep 0.3
xwd -silent -id "$popup" >"$work/menu.xwd" || fail "cannot grab the menu"
python3 "$here/grab_check.py" menu-rows "$work/menu.xwd" 15 || fail "the Language menu lacks languages"
xdotool key Escape Escape

kill -TERM "$pid"
wait "$pid"
status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/log")"
config="$work/home/.local/share/meridiana/config.ini"
head -n1 "$config" | grep -q '^version=' || fail "config.ini does not start with version=: $(head -n3 "$config")"
[ "$(grep -c '^M=' "$config")" -ge 7 ] || fail "the marked cities were not saved: $(cat "$config")"
echo "first start: ok"
