#!/usr/bin/env bash
# meridiana-cli quakes and clouds against meridiana-service on its sample data, on loopback:
# the 2018 week's 1,707 earthquakes, the twelve listed frames, the newest ones cached as JPEG.
set -u
stage=$1
cli=$stage/meridiana-cli
tmp=$(mktemp -d)
service=
cleanup() {
  [ -n "$service" ] && kill "$service" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_CACHE_HOME=$tmp/home/.cache http_proxy= all_proxy=
# Live data, where a command turns it on, comes from loopback addresses where nothing listens.
export MERIDIANA_LIVE_QUAKES=https://127.0.0.1:9/quakes.geojson
export MERIDIANA_LIVE_CLOUDS=image:https://127.0.0.1:9/clouds.jpg
live_data() { # the user's choice, 0 or 1; with 0 the bundled service serves its sample as it ships
  mkdir -p "$XDG_CONFIG_HOME/quillary"
  printf '[Software\\QUILLARY\\Meridiana]\nlive=%s\n' "$1" >"$XDG_CONFIG_HOME/quillary/current-user.ini"
}

"$stage/meridiana-service" --listen 127.0.0.1:0 >"$tmp/service.out" 2>"$tmp/service.err" &
service=$!
for _ in $(seq 100); do grep -q "^listening on" "$tmp/service.out" && break; sleep 0.05; done
address=http://$(sed -n 's/^listening on //p' "$tmp/service.out")
[ "$address" != "http://" ] || { echo "FAIL: the service did not start: $(cat "$tmp/service.err")"; exit 1; }

"$cli" quakes --service "$address" >"$tmp/quakes.out" || fail "quakes: exit status $?"
[ "$(tail -n1 "$tmp/quakes.out")" == "1707 earthquake events recorded in the sample (31 Jan - 7 Feb 2018)" ] ||
  fail "quakes status: $(tail -n1 "$tmp/quakes.out")"
[ "$(grep -c $'\t' "$tmp/quakes.out")" -eq 1707 ] || fail "one line per event"
# Where the list came from comes first.
head -n1 "$tmp/quakes.out" | grep -Eq '^(source|sample): ' || fail "provenance first: $(head -n1 "$tmp/quakes.out")"
awk -F'\t' 'NF == 5 && $2 >= -90 && $2 <= 90 && $3 >= -180 && $3 <= 180 { ok++ } END { exit ok != 1707 }' \
  "$tmp/quakes.out" || fail "every event with a time, a position, a magnitude and a depth"

"$cli" clouds --service "$address" --cache "$tmp/user" --frames 2 >"$tmp/clouds.out" || fail "clouds: exit status $?"
[ "$(grep -c $'\t' "$tmp/clouds.out")" -eq 12 ] || fail "twelve slots: $(cat "$tmp/clouds.out")"
head -n1 "$tmp/clouds.out" | grep -Eq '^(source|sample): ' || fail "provenance first: $(head -n1 "$tmp/clouds.out")"
sed -i 1d "$tmp/clouds.out"
newest=$(head -n1 "$tmp/clouds.out" | cut -f2)
[ "$(head -n1 "$tmp/clouds.out" | cut -f6)" == "$tmp/user/cache/$newest.jpg" ] || fail "slot 0's file"
[ "$(head -c 3 "$tmp/user/cache/$newest.jpg" | od -An -tx1 | tr -d ' ')" == "ffd8ff" ] || fail "a JPEG"
[ "$(ls "$tmp/user/cache" | wc -l)" -eq 2 ] || fail "two frames cached: $(ls "$tmp/user/cache")"
[ -z "$(sed -n 3p "$tmp/clouds.out" | cut -f6)" ] || fail "slot 2 not fetched"

# Without --service the default address names the bundled service: the command runs its own
# copy, beside it, rather than asking whatever listens at 127.0.0.1:8613.
live_data 0
"$cli" quakes >"$tmp/own.out" 2>"$tmp/own.err" || fail "quakes from its own service: $? $(cat "$tmp/own.err")"
[ "$(tail -n1 "$tmp/own.out")" == "1707 earthquake events recorded in the sample (31 Jan - 7 Feb 2018)" ] ||
  fail "its own service's earthquakes: $(tail -n1 "$tmp/own.out")"
[ ! -e "$XDG_CACHE_HOME/meridiana" ] || fail "live data off, yet a cache folder was made"

# With live data on (the default) its copy downloads into the user's cache folder; its sources
# here cannot be reached, so it serves the sample it filled the folder with, labelled.
live_data 1
if "$stage/meridiana-service" --help 2>&1 | grep -q -- '--live'; then
  timeout 60 "$cli" quakes >"$tmp/live.out" 2>"$tmp/live.err" || fail "quakes with live data: $? $(cat "$tmp/live.err")"
  [ "$(head -n1 "$tmp/live.out")" == "sample: 31 Jan - 7 Feb 2018" ] || fail "the labelled sample: $(head -n2 "$tmp/live.out")"
  grep -q '^last refresh failed' "$tmp/live.out" || fail "the failed refresh is told: $(head -n2 "$tmp/live.out")"
  [ -n "$(ls "$XDG_CACHE_HOME/meridiana/service")" ] || fail "the cache folder holds the service's data"
else
  echo "SKIP: this meridiana-service has no --live"
fi

# The service gone: a clear failure, not a hang.
kill "$service"; wait "$service" 2>/dev/null; service=
status=0; timeout 20 "$cli" quakes --service "$address" >"$tmp/gone.out" 2>/dev/null || status=$?
[ "$status" -eq 1 ] || fail "quakes without a service: exit $status"
grep -q "^Unable to connect" "$tmp/gone.out" || fail "quakes without a service: $(cat "$tmp/gone.out")"
exit $failures
