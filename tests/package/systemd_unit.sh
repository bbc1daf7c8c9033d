#!/usr/bin/env bash
# The service's unit as systemd reads it, and as the service reads its command line: every
# option of ExecStart is one meridiana-service takes (it refuses an unknown one with status 2),
# and the sandbox the deployment relies on is there.
# Usage: systemd_unit.sh SOURCE_DIR SERVICE_PROGRAM
set -u
source=$1
service=$2
unit="$source/deploy/meridiana-service.service"
fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for setting in DynamicUser=yes PrivateTmp=yes ProtectSystem=strict StateDirectory=meridiana-service \
               NoNewPrivileges=yes ProtectHome=yes; do
  grep -qx "$setting" "$unit" || fail "the unit lacks $setting"
done
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
case "$exec_start" in
  "/usr/bin/meridiana-service "*--live*"--data %S/meridiana-service"*) ;;
  *) fail "ExecStart does not run the live service on the state folder: $exec_start" ;;
esac

# systemd checks the program exists: the copy points at the built one.
sed "s|/usr/bin/meridiana-service|$service|" "$unit" >"$work/meridiana-service.service"
if ! command -v systemd-analyze >/dev/null; then
  echo "SKIP: systemd-analyze is not installed (Debian package systemd)"
  exit 0
fi
# It also opens the unit's Documentation=, the manual page the package installs.
mkdir -p "$work/man/man1"
cp "$source/data/man/meridiana-service.1" "$work/man/man1/"
MANPATH="$work/man" systemd-analyze verify "$work/meridiana-service.service" >"$work/verify.log" 2>&1 ||
  fail "systemd-analyze verify: $(cat "$work/verify.log")"
# Warnings do not change the exit status; the unit should cause none.
grep -i "meridiana-service.service" "$work/verify.log" && fail "systemd-analyze warns about the unit"

# The service takes the command line: started with it, a data folder of the test's own for the
# state folder and a free port, it listens and serves the seeded sample. The live sources are
# loopback addresses where nothing listens.
args=$(echo "$exec_start" | sed -e "s|^/usr/bin/meridiana-service ||" -e "s|%S/meridiana-service|$work/state|" \
  -e "s|--listen [^ ]*|--listen 127.0.0.1:0|")
MERIDIANA_LIVE_QUAKES=https://127.0.0.1:9/quakes.geojson MERIDIANA_LIVE_CLOUDS=image:https://127.0.0.1:9/c.jpg \
  "$service" $args >"$work/out" 2>"$work/err" &
pid=$!
for _ in $(seq 1 100); do [ -s "$work/out" ] && break; kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
kill -TERM "$pid" 2>/dev/null
wait "$pid"
grep -q "^listening on 127.0.0.1:" "$work/out" || fail "the service did not start with the unit's options: $(cat "$work/err")"
[ -f "$work/state/quakes.xml" ] || fail "the state folder was not seeded with the sample"
echo "systemd unit: ok"
