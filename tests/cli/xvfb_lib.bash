# Shared by the tests/cli/*.sh tests that need an X server of their own.
# Needs: work (a folder of the test's own). Sets DISPLAY and xvfb (the server's pid).

# start_xvfb [SCREEN]: Xvfb picks a free display itself and says which, so tests that start at
# the same moment never race for one number. A server that another one on the machine pushed off
# its display at that moment is started again, up to three times.
start_xvfb() {
  local screen=${1:-1024x768x24} attempt
  for attempt in 1 2 3; do
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb=$!
    if xvfb_answers; then return 0; fi
    kill -TERM "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    xvfb=""
  done
  return 1
}

xvfb_answers() {
  for _ in $(seq 1 300); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || return 1
    sleep 0.1
  done
  [ -s "$work/display" ] || return 1
  export DISPLAY=":$(head -n1 "$work/display")"
  for _ in $(seq 1 100); do
    xwininfo -root >/dev/null 2>&1 && return 0
    kill -0 "$xvfb" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
