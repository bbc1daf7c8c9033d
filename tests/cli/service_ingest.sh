#!/usr/bin/env bash
# The ingest commands under a running service: new data shows without a restart, a bad feed or
# picture leaves the served data as it was (status 1, one line on stderr), and --fetch-quakes
# keeps the list current, when asked for, from a loopback file server of the test's own.
# Usage: service_ingest.sh STAGE_DIR FIXTURES_DIR
set -u
stage=$1
tmp=$(mktemp -d)
source "$(dirname "$0")/service_lib.bash"
data=$tmp/data

# feed FILE GENERATED_MS MAG...: a USGS summary feed with one event a second before GENERATED per
# magnitude.
feed() {
  local file=$1 generated=$2
  shift 2
  local features="" i=0
  for mag in "$@"; do
    features+="${features:+,}{\"type\":\"Feature\",\"properties\":{\"mag\":$mag,\"time\":$((generated - 1000 * ++i))},\"geometry\":{\"type\":\"Point\",\"coordinates\":[12.5,41.9,10]}}"
  done
  echo "{\"type\":\"FeatureCollection\",\"metadata\":{\"generated\":$generated},\"features\":[$features]}" >"$file"
}
# ingest ARGS...: sets rc, out and err.
ingest() {
  "$service" "$@" --data "$data" >"$tmp/ingest.out" 2>"$tmp/ingest.err"
  rc=$?
  out=$(cat "$tmp/ingest.out")
  err=$(cat "$tmp/ingest.err")
}
served_quakes() { get "${base[$1]}/earthquake.cgi"; grep -c '^<QUAKE ' "$body_file"; }

feed "$tmp/a.geojson" 1700000000000 4.1 2.2
ingest ingest-quakes "$tmp/a.geojson"
[ "$rc" -eq 0 ] && [ "$out" == "ingest-quakes: 2 events kept of 2 features, the week before 2023-11-14 22:13:20 UTC" ] ||
  fail "ingest-quakes: $rc '$out' '$err'"
# What a writer killed midway left is removed at the next start; other dot files stay.
touch "$data/.~a1B2c3D4" "$data/clouds/.~zzzzzzzz" "$data/.~short" "$data/.keep"
start_service svc --data "$data"
[ ! -e "$data/.~a1B2c3D4" ] && [ ! -e "$data/clouds/.~zzzzzzzz" ] && [ -e "$data/.~short" ] && [ -e "$data/.keep" ] &&
  grep -q "removed 2 temporary files left in $data" "$tmp/svc.err" || fail "leftover temporary files: $(ls -a "$data" "$data/clouds")"
[ "$(served_quakes svc)" -eq 2 ] || fail "the first list"
feed "$tmp/b.geojson" 1700000600000 5.5 4.4 3.3
ingest ingest-quakes "$tmp/b.geojson"
[ "$(served_quakes svc)" -eq 3 ] && grep -q 'm="5.5"' "$body_file" || fail "a new list without a restart"

# Bad feeds: not JSON, no generation time, not a file. The list stays.
cp "$body_file" "$tmp/good.xml"
printf '{"features":[' >"$tmp/cut.geojson"
echo '{"features":[]}' >"$tmp/undated.geojson"
for bad in "$tmp/cut.geojson" "$tmp/undated.geojson" "$tmp/absent.geojson" "$tmp"; do
  ingest ingest-quakes "$bad"
  [ "$rc" -eq 1 ] && [ -z "$out" ] && [ "$(wc -l <<<"$err")" -eq 1 ] || fail "bad feed $bad: $rc '$out' '$err'"
  get "${base[svc]}/earthquake.cgi"
  cmp -s "$body_file" "$tmp/good.xml" || fail "bad feed $bad replaced the list"
done

# Clouds: a picture that is not one refuses the folder; a good folder shows at once.
mkdir "$tmp/pics" "$tmp/bad"
"$stage/meridiana-cli" image "$stage/images/earth_day.bmp" "$tmp/pics/2018020612.bmp" --width 128 --height 64 >/dev/null ||
  fail "making a picture"
cp "$tmp/pics/2018020612.bmp" "$tmp/bad/2018020613.bmp"
echo '<?xml version="1.0"?><IMAGES/>' >"$tmp/bad/2018020614.jpg"
get "${base[svc]}$cloud&checkonly=1"
[ "$status" == 404 ] || fail "no frames yet: $status"
ingest ingest-clouds "$tmp/bad"
[ "$rc" -eq 1 ] && [[ "$err" == *"2018020614.jpg: not a picture"* ]] && [ "$(wc -l <<<"$err")" -eq 1 ] ||
  fail "a markup file as a picture: $rc '$err'"
[ ! -e "$data/clouds/2018020613.jpg" ] || fail "part of a refused folder was written"
ingest ingest-clouds "$tmp/pics" --source test-source --quality 60
[ "$rc" -eq 0 ] || fail "ingest-clouds: $err"
get "${base[svc]}$cloud&checkonly=1"
grep -q '<IMAGE m="test-source" t="2018020612" s="[0-9]*" q="60"/>' "$body_file" || fail "the new frame: $(cat "$body_file")"
get "${base[svc]}$cloud&f=1&t=2018020612"
[ "$status" == 200 ] && cmp -s "$body_file" "$data/clouds/2018020612.jpg" || fail "the new frame's image"
for option in "--quality 0" "--source a,b"; do
  # shellcheck disable=SC2086  # two words on purpose
  ingest ingest-clouds "$tmp/pics" $option
  [ "$rc" -ne 0 ] || fail "ingest-clouds $option"
done

# Another user who can read the folder, as a web server's can, cannot stop the ingests by
# locking it: they lock a file inside that is this user's alone.
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$tmp" "$data"
  as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  "${as_nobody[@]}" /usr/bin/python3 -c 'import fcntl, os, sys, time
fd = os.open(sys.argv[1], os.O_RDONLY)
fcntl.flock(fd, fcntl.LOCK_EX)
print("held", flush=True)
time.sleep(30)' "$data" >"$tmp/held" &
  holder=$!
  pids+=($holder)
  for _ in $(seq 100); do [ -s "$tmp/held" ] && break; sleep 0.05; done
  started=$SECONDS
  timeout 20 "$service" ingest-quakes "$tmp/b.geojson" --data "$data" >/dev/null 2>"$tmp/lock.err" &&
    timeout 20 "$service" ingest-clouds "$tmp/pics" --data "$data" >/dev/null 2>>"$tmp/lock.err" &&
    [ $((SECONDS - started)) -le 5 ] || fail "another user's lock on the folder held the ingests: $(cat "$tmp/lock.err")"
  [ "$(stat -c %a "$data/.lock")" == 600 ] || fail "the lock file's mode: $(stat -c %a "$data/.lock")"
  "${as_nobody[@]}" /usr/bin/python3 -c 'import sys; open(sys.argv[1])' "$data/.lock" 2>/dev/null &&
    fail "another user can open the lock file"
  kill "$holder"
fi

# --fetch-quakes from a file server on loopback, due every second.
mkdir "$tmp/www"
cp "$tmp/a.geojson" "$tmp/www/all_week.geojson"
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$tmp/www" >"$tmp/www.out" 2>"$tmp/www.err" &
pids+=($!)
for _ in $(seq 100); do
  grep -q 'port [0-9]' "$tmp/www.out" && break
  sleep 0.05
done
www_port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$tmp/www.out")
[ -n "$www_port" ] || { echo "FAIL: the file server did not start"; exit 99; }
rm -rf "$tmp/fetched"
mkdir "$tmp/fetched"
data_before=$data
data=$tmp/fetched
start_service fetch --data "$tmp/fetched" --fetch-quakes "http://127.0.0.1:$www_port/all_week.geojson" --every 0.0167
# until COUNT: waits up to 10 s for the fetched list to hold COUNT events.
until_count() {
  for _ in $(seq 100); do
    [ "$(served_quakes fetch)" == "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
until_count 2 || fail "the first fetch: $(cat "$tmp/fetch.err")"
cp "$tmp/b.geojson" "$tmp/www/all_week.geojson"
# Last-Modified has whole seconds: a feed replaced within the second would count as unchanged.
touch -d "@$(($(date +%s) + 2))" "$tmp/www/all_week.geojson"
until_count 3 || fail "the next fetch: $(cat "$tmp/fetch.err")"
# Failures are reported once each and keep the list; the refresh after a failure waits for its
# back-off (the cadence here, then twice that), so each is asked for until it shows.
# until_logged PATTERN: requests the list until the log has the line, up to 10 s.
until_logged() {
  for _ in $(seq 50); do
    grep -q "$1" "$tmp/fetch.err" && return 0
    served_quakes fetch >/dev/null
    sleep 0.2
  done
  return 1
}
printf 'not json' >"$tmp/www/all_week.geojson"
touch -d "@$(($(date +%s) + 4))" "$tmp/www/all_week.geojson"
until_logged 'quakes refresh failed: .*bad feed' || fail "a bad fetched feed is reported"
[ "$(served_quakes fetch)" == 3 ] || fail "a bad fetched feed replaced the list"
rm "$tmp/www/all_week.geojson"
until_logged 'quakes refresh failed: .*status 404' || fail "a missing feed is reported"
[ "$(served_quakes fetch)" == 3 ] || fail "a missing feed replaced the list"
[ "$(wc -l <"$tmp/fetch.out")" -eq 1 ] || fail "standard output holds only the listening line"

data=$data_before
"$service" --fetch-quakes ftp://127.0.0.1/x --data "$data" >/dev/null 2>&1
[ $? -eq 2 ] || fail "an ftp URL"

[ "$failures" -eq 0 ] && echo "service ingest: ok"
[ "$failures" -eq 0 ]
