#!/usr/bin/env bash
# The desktop entry's actions: `meridiana --action=city-selector` opens the City Selector, in the
# copy it starts or, through the single-instance socket, in the copy already running (the second
# start ends at once with 0). Other arguments change nothing: such a second start only raises.
# Usage: launcher_actions.sh STAGE_DIR FIXTURES_DIR
set -u
stage=$1
here=$(cd "$(dirname "$0")" && pwd)
program="$stage/meridiana"
if [ ! -x "$program" ]; then
  echo "SKIP: $program not built (configure with MERIDIANA_BUILD_GUI=ON)"
  exit 0
fi
. "$here/xvfb_lib.bash"
window_test_folder
start_xvfb 1280x1024x24 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
mkdir -m 700 "$work/run"
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" \
       XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/run" LANG=en_US.UTF-8 TZ=UTC \
       MERIDIANA_LIVE_QUAKES=https://127.0.0.1:9/quakes.geojson \
       MERIDIANA_LIVE_CLOUDS=image:https://127.0.0.1:9/clouds.jpg
unset MERIDIANA_HOME MERIDIANA_DATA

# selector_shown: whether the running copy shows a City Selector window.
selector_shown() { xdotool search --all --onlyvisible --pid "$pid" --name '^City Selector$' >/dev/null 2>&1; }
wait_for_selector() {
  for _ in $(seq 1 150); do
    selector_shown && return 0
    kill -0 "$pid" 2>/dev/null || fail "the program ended: $(cat "$work/first.log")"
    sleep 0.1
  done
  return 1
}
start_first() { start_window "$work/first.log" "$program" "$@"; }
stop_first() {
  kill -TERM "$pid"
  wait "$pid"
  local status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "the program ended with $status: $(cat "$work/first.log")"
}
second_start() { # arguments
  timeout 10 "$program" "$@" >"$work/second.log" 2>&1
  local status=$?
  [ "$status" -eq 0 ] || fail "second start $* ended with $status: $(cat "$work/second.log")"
}

# A first start with the action does it itself.
start_first --action=city-selector
wait_for_selector || fail "a first start with --action=city-selector shows no City Selector"
stop_first

# A running copy takes the action from a later start; arguments it does not know ask for nothing.
# A new user, as the program reopens at start what was open when it ended.
export HOME="$work/home2" XDG_DATA_HOME="$work/data2" XDG_CONFIG_HOME="$work/config2"
start_first --some-option stray-argument
selector_shown && fail "a start with unknown arguments opened the City Selector"
second_start --action=unknown
second_start --action city-selector
sleep 1
selector_shown && fail "a second start without a known action opened the City Selector"
second_start --action=city-selector
wait_for_selector || fail "the running copy did not open the City Selector for a later start"
stop_first
echo "launcher actions: ok"
