# Shared by the tests/cli/*.sh tests that need an X server of their own.
# Needs: work (a folder of the test's own, which window_test_folder makes) and fail. Sets DISPLAY
# and xvfb (the server's pid), and pid (the program's).

# window_test_folder: the test's work folder, fail, and an exit trap that ends the program ($pid)
# and the X server ($xvfb) the test started and removes the folder.
window_test_folder() {
  work=$(mktemp -d)
  pid=""
  xvfb=""
  trap end_window_test EXIT
}
end_window_test() {
  {
    [ -n "$pid" ] && kill -KILL "$pid" && wait "$pid"
    [ -n "$xvfb" ] && kill -TERM "$xvfb" && wait "$xvfb"
  } 2>/dev/null
  rm -rf "$work"
}
fail() { echo "FAIL: $*"; exit 1; }

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

# start_window LOG PROGRAM [ARGUMENTS...]: starts the program, sets pid and waits for a visible
# window of it. Another test's X server that ends on the same display number as ours was
# just given can take our socket file with it, so the program cannot connect: the server is
# then started again, up to three times.
start_window() {
  local log=$1 attempt
  shift
  for attempt in 1 2 3; do
    "$@" >"$log" 2>&1 &
    pid=$!
    for _ in $(seq 1 300); do
      xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1 && return 0
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "no window of $1 appeared: $(cat "$log")"
    wait "$pid" 2>/dev/null
    pid=""
    grep -q "could not connect to display" "$log" || fail "$1 ended: $(cat "$log")"
    kill -TERM "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    xvfb=""
    start_xvfb 1280x1024x24 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  done
  fail "$1 could not connect to a display three times: $(cat "$log")"
}
