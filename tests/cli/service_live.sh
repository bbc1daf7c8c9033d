#!/usr/bin/env bash
# meridiana-service keeping its earthquakes live from a loopback HTTPS stand-in of the USGS feed:
# the sample served until the first refresh (and waited for), stale data served while a slow
# refresh runs (one refresh for two requests), 304 when the feed is unchanged, a failure kept
# on the list with the last good data and told once on stderr, back-off, SIGTERM during a
# download that hangs, and --live under the tests' guard against the default sources.
# Usage: service_live.sh STAGE_DIR FIXTURES_DIR
set -u
source "$(dirname "$0")/service_lib.bash"
source "$here/test_ca.bash"
trust_test_ca "$tmp/ca"
feed=/earthquakes/feed/v1.0/summary/2.5_week.geojson

# standin NAME: a stand-in of the feed, its first version in place before it starts.
standin() {
  mkdir -p "$tmp/$1"
  echo 1 >"$tmp/$1/version"
  start_usgs_standin "$1" server
  touch "$tmp/$1.log"
}
standin usgs
asked() { grep -c "^$feed " "$tmp/usgs.log"; }  # feed requests the stand-in has seen
now_ms() { date +%s%3N; }
# quakes NAME: one request for the list; sets took (ms), events and root (the root element).
quakes() {
  local start
  start=$(now_ms)
  get "${base[$1]}/earthquake.cgi"
  took=$(($(now_ms) - start))
  events=$(grep -c '^<QUAKE ' "$body_file")
  root=$(sed -n 2p "$body_file")
}

# The sample until the first refresh, which a request waits for (the stand-in takes 3 s).
echo "slow 3" >"$tmp/usgs/mode"
mkdir "$tmp/live"
start_service live --data "$tmp/live" --fetch-quakes "${standin[usgs]}$feed" --quakes-every 0.0167
[ -f "$tmp/live/clouds/list-12.xml" ] && grep -q 'sample="1"' "$tmp/live/quakes.xml" ||
  fail "the empty folder was not filled from the sample"
quakes live
generated=$(date -u -d "@$(stat -c %Y "$tmp/usgs/version")" +%Y-%m-%dT%H:%M:%SZ)
[ "$took" -ge 2900 ] && [ "$took" -lt 9000 ] && [ "$events" -eq 6 ] &&
  [ "$root" == "<QUAKES source=\"USGS\" updated=\"$generated\">" ] ||
  fail "the first refresh: $took ms, $events events, $root"

# Stale while revalidating: two requests during a slow refresh are both answered within the
# grace with what is held, and the stand-in is asked once.
sleep 1.1
echo 2 >"$tmp/usgs/version"
before=$(asked)
clients=()
for i in 1 2; do
  (start=$(now_ms)
   curl -s -o "$tmp/stale$i" --max-time 10 "${base[live]}/earthquake.cgi"
   echo "$(($(now_ms) - start)) $(grep -c '^<QUAKE ' "$tmp/stale$i")" >"$tmp/stale$i.result") &
  clients+=($!)
done
wait "${clients[@]}"
for i in 1 2; do
  read -r took events <"$tmp/stale$i.result"
  [ "$took" -lt 2900 ] && [ "$events" -eq 6 ] || fail "stale while revalidating: $took ms, $events events"
done
[ $(($(asked) - before)) -eq 1 ] || fail "single flight: $(($(asked) - before)) feed requests"
echo ok >"$tmp/usgs/mode"
sleep 1.5
quakes live
[ "$events" -eq 7 ] || fail "the refreshed list: $events events"

# Unchanged: a conditional request, answered 304, keeps the list.
sleep 1.1
quakes live
tail -1 "$tmp/usgs.log" | grep -qF 'if-none-match: "v2"' || fail "no conditional request: $(tail -1 "$tmp/usgs.log")"
grep -q 'quakes refreshed: .*: not modified$' "$tmp/live.err" || fail "304 not taken as a success"
[ "$events" -eq 7 ] || fail "304: $events events"

# A failure: the last good list stays, marked with when and why; one line on stderr.
echo "status 503" >"$tmp/usgs/mode"
sleep 1.1
quakes live
[ "$events" -eq 7 ] && [[ "$root" =~ ^\<QUAKES\ source=\"USGS\"\ updated=\"[^\"]+\"\ failed=\"[0-9T:Z-]+\"\ problem=\"https://127.0.0.1:[0-9]+$feed:\ status\ 503\"\>$ ]] ||
  fail "a failed refresh: $events events, $root"
[ "$(grep -c 'quakes refresh failed: .*status 503 (next try in 1 s)$' "$tmp/live.err")" -eq 1 ] ||
  fail "the failure on stderr: $(cat "$tmp/live.err")"
# Back-off: the cadence (1 s, shorter than the minute), then 2 s.
before=$(asked)
quakes live
[ "$(asked)" -eq "$before" ] || fail "no back-off after a failure"
sleep 1.1
quakes live
[ "$(asked)" -eq $((before + 1)) ] || fail "not tried again after the back-off"
sleep 1.1
quakes live
[ "$(asked)" -eq $((before + 1)) ] || fail "the back-off did not double"
echo 3 >"$tmp/usgs/version"
echo ok >"$tmp/usgs/mode"
sleep 1.1
quakes live
[ "$events" -eq 8 ] && [[ "$root" != *failed=* ]] || fail "a success after failures: $events events, $root"
[ "$(wc -l <"$tmp/live.out")" -eq 1 ] || fail "standard output holds only the listening line"

# SIGTERM while the first download hangs (the stand-in accepts and never answers), with a
# request waiting for it: the service is gone within 2 s, with status 0.
standin hang
echo hang >"$tmp/hang/mode"
mkdir "$tmp/hung"
start_service hung --data "$tmp/hung" --fetch-quakes "${standin[hang]}$feed"
curl -s -o /dev/null --max-time 20 "${base[hung]}/earthquake.cgi" &
for _ in $(seq 100); do [ -s "$tmp/hang.log" ] && break; sleep 0.05; done
sleep 0.3
stopping=$(now_ms)
kill -TERM "${spid[hung]}"
wait "${spid[hung]}"
rc=$?
[ "$rc" -eq 0 ] && [ $(($(now_ms) - stopping)) -lt 2000 ] ||
  fail "SIGTERM during a hanging download: status $rc after $(($(now_ms) - stopping)) ms"
grep -q 'quakes refresh' "$tmp/hung.err" && fail "a stopped refresh was logged: $(cat "$tmp/hung.err")"

# --live under the guard: the default sources are named at start and never contacted; the
# sample is served, labelled, with the reason. (A log of this test's own, so the suite's stays
# empty.)
mkdir "$tmp/guarded"
MERIDIANA_FORBID_DEFAULT_SOURCES=$tmp/forbidden.log MERIDIANA_LIVE_QUAKES= start_service guarded --live --data "$tmp/guarded"
grep -qF "live quakes: https://earthquake.usgs.gov$feed every 5 min" "$tmp/guarded.err" ||
  fail "--live does not name its sources: $(cat "$tmp/guarded.err")"
quakes guarded
[ "$events" -eq 1707 ] && [[ "$root" == "<QUAKES source=\"Sample\" sample=\"1\" failed=\""*"\" problem=\"https://earthquake.usgs.gov$feed: default sources are forbidden here\">" ]] ||
  fail "the guarded sample: $events events, $root"
grep -qxF "https://earthquake.usgs.gov$feed" "$tmp/forbidden.log" || fail "the refusal is not in the guard's log"
get "${base[guarded]}$cloud&checkonly=1&n=12"
[ "$(grep -c '<IMAGE m="sample-synthetic-motion"' "$body_file")" -eq 12 ] || fail "the guarded cloud sample: $(head -c 300 "$body_file")"
grep -Eq "^meridiana-service: (live clouds:|clouds from) " "$tmp/guarded.err" || fail "--live does not name its cloud sources"

# MERIDIANA_LIVE_QUAKES stands in for the default feed of --live.
mkdir "$tmp/mirrored"
MERIDIANA_LIVE_QUAKES="${standin[usgs]}$feed" start_service mirrored --live --data "$tmp/mirrored"
quakes mirrored
[ "$events" -eq 8 ] && [[ "$root" == "<QUAKES source=\"USGS\" "* ]] || fail "MERIDIANA_LIVE_QUAKES: $events events, $root"

# A feed generated in 2100: the list is dated by the reply's clock, says what the feed claimed,
# and still comes due on the cadence.
standin future
touch -d '2100-01-01 00:00:00 UTC' "$tmp/future/version"
mkdir "$tmp/future-data"
start_service future --data "$tmp/future-data" --fetch-quakes "${standin[future]}$feed" --quakes-every 0.0167
quakes future
updated=$(sed -n 's/.* updated="\([^"]*\)".*/\1/p' <<<"$root")
[[ "$root" == *' claimed="2100-01-01T00:00:00Z"'* ]] && [ -n "$updated" ] &&
  [ "$(date -u -d "$updated" +%s)" -le "$(date +%s)" ] || fail "a feed of 2100: $root"
before=$(grep -c "^$feed " "$tmp/future.log")
sleep 1.2
quakes future
sleep 0.5
[ "$(grep -c "^$feed " "$tmp/future.log")" -gt "$before" ] || fail "a feed of 2100 is never due again"

# Usage errors.
for args in "--quakes-every 5" "--fetch-quakes ftp://127.0.0.1/x" "--live --quakes-every 0" \
            "--fetch-quakes https://127.0.0.1/ --quakes-every x" "--live --sample"; do
  # shellcheck disable=SC2086  # words on purpose
  "$service" $args --data "$tmp/live" >/dev/null 2>&1
  [ $? -eq 2 ] || fail "usage error expected: $args"
done

[ "$failures" -eq 0 ] && echo "service live: ok"
[ "$failures" -eq 0 ]
