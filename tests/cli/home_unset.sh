#!/usr/bin/env bash
# With HOME unset the desktop program takes its home folder from the password database, and its
# settings land in one absolute folder however its working directory changes. The password
# database is nss_wrapper's, so the test never touches the real home folder.
# Usage: home_unset.sh STAGE_DIR FIXTURES_DIR
set -u
stage=$1
program="$stage/meridiana"
wrapper=$(ls /usr/lib/*/libnss_wrapper.so 2>/dev/null | head -n1)
if [ ! -x "$program" ]; then
  echo "SKIP: $program not built (configure with MERIDIANA_BUILD_GUI=ON)"
  exit 0
fi
[ -n "$wrapper" ] || { echo "FAIL: libnss_wrapper.so missing (scripts/deps.sh installs it)"; exit 1; }

work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$work/pwhome" "$work/start" && mkdir -m 700 "$work/run"
echo "$(id -un):x:$(id -u):$(id -g):test:$work/pwhome:/bin/sh" >"$work/passwd"
echo "$(id -gn):x:$(id -g):" >"$work/group"

run_once() {  # extra environment assignments...
  (cd "$work/start" &&
    exec env -u HOME -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u MERIDIANA_HOME -u MERIDIANA_DATA \
      LD_PRELOAD="$wrapper" NSS_WRAPPER_PASSWD="$work/passwd" NSS_WRAPPER_GROUP="$work/group" \
      ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" \
      XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen "$@" "$program") >>"$work/log" 2>&1 &
  pid=$!
  for _ in $(seq 1 100); do
    [ -S "$work/run/Meridiana2" ] && break
    kill -0 "$pid" 2>/dev/null || fail "ended early: $(cat "$work/log")"
    sleep 0.1
  done
  kill -TERM "$pid"
  wait "$pid"
  local status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "exited with $status: $(cat "$work/log")"
}

run_once
settings="$work/pwhome/.config/quillary/current-user.ini"
[ -d "$work/pwhome/.local/share/meridiana/cache" ] || fail "user folder not under the database's home"
grep -q DLGS "$settings" || fail "settings not in the database's home: $(find "$work" -name 'current-user.ini')"
[ "$(find "$work" -name 'current-user.ini' | wc -l)" -eq 1 ] || fail "settings in more than one place: $(find "$work" -name 'current-user.ini')"

# A user folder of its own makes the program change into it after the store is made: the
# settings still go to, and come from, the same absolute folder.
run_once MERIDIANA_HOME="$work/user"
[ -d "$work/user/cache" ] || fail "MERIDIANA_HOME not used"
[ "$(find "$work" -name 'current-user.ini' | wc -l)" -eq 1 ] || fail "settings in more than one place: $(find "$work" -name 'current-user.ini')"
[ -z "$(ls -A "$work/start")" ] || fail "files in the start folder: $(ls -A "$work/start")"
echo "home unset: ok"
