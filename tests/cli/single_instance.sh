#!/usr/bin/env bash
# The desktop program runs once per user: a second start asks the first copy to come forward and
# ends at once with 0; the first copy ends with 0 on SIGTERM, saving its window geometry.
# Usage: single_instance.sh STAGE_DIR FIXTURES_DIR
set -u
stage=$1
program="$stage/meridiana"
if [ ! -x "$program" ]; then
  echo "SKIP: $program not built (configure with MERIDIANA_BUILD_GUI=ON)"
  exit 0
fi

work=$(mktemp -d)
first=""
cleanup() {
  [ -n "$first" ] && kill -KILL "$first" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/run"
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen
unset MERIDIANA_HOME MERIDIANA_DATA

fail() { echo "FAIL: $*"; exit 1; }

"$program" >"$work/first.log" 2>&1 &
first=$!
for _ in $(seq 1 100); do
  [ -S "$work/run/Meridiana2" ] && break
  kill -0 "$first" 2>/dev/null || fail "first copy ended early: $(cat "$work/first.log")"
  sleep 0.1
done
[ -S "$work/run/Meridiana2" ] || fail "first copy did not set up its single-instance socket"
[ -d "$work/data/meridiana/cache" ] || fail "user folder with cache was not created"

start=$(date +%s%N)
timeout 10 "$program" >"$work/second.log" 2>&1
status=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$status" -eq 0 ] || fail "second copy exited with $status: $(cat "$work/second.log")"
[ "$elapsed_ms" -lt 3000 ] || fail "second copy took ${elapsed_ms} ms to end"
grep -q "Unable to load file" "$work/second.log" && fail "second copy went on to load data"
kill -0 "$first" 2>/dev/null || fail "first copy ended when the second started"

kill -TERM "$first"
for _ in $(seq 1 100); do
  kill -0 "$first" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$first" 2>/dev/null && fail "first copy did not end on SIGTERM"
wait "$first"
status=$?
first=""
[ "$status" -eq 0 ] || fail "first copy exited with $status: $(cat "$work/first.log")"
[ -e "$work/run/Meridiana2" ] && fail "socket left behind after a clean exit"
grep -rq 'DLGS' "$work/config" || fail "window geometry was not saved: $(ls -R "$work/config")"

# A socket file left by a copy that was killed does not block the next start.
"$program" >"$work/third.log" 2>&1 &
first=$!
for _ in $(seq 1 100); do [ -S "$work/run/Meridiana2" ] && break; sleep 0.1; done
kill -KILL "$first"; wait "$first" 2>/dev/null; first=""
[ -S "$work/run/Meridiana2" ] || fail "expected a stale socket after SIGKILL"
"$program" >"$work/fourth.log" 2>&1 &
first=$!
sleep 1
kill -0 "$first" 2>/dev/null || fail "start after a killed copy ended: $(cat "$work/fourth.log")"
kill -TERM "$first"; wait "$first"; status=$?; first=""
[ "$status" -eq 0 ] || fail "start after a killed copy exited with $status"

echo "PASS (second copy ended in ${elapsed_ms} ms)"
