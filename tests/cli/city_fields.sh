#!/usr/bin/env bash
# meridiana-cli city on the shipped tables: the Properties fields of one city, found by name
# ignoring case; a city with daylight saving and one without; unknown names and bad usage.
set -u
cli=$1/meridiana-cli
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
field() { sed -n "s/^$1=//p" <<<"$2"; }

paris=$("$cli" city pARIS --at 2026-07-01T12:00:00Z) || fail "paris exit status"
[ "$(cut -d= -f1 <<<"$paris" | tr '\n' ' ')" == \
  "city country local_time sunrise sunset sunrise_clock sunset_clock latitude longitude tel country_code dst_starts dst_ends civil_dawn civil_dusk nautical_dawn nautical_dusk astronomical_dawn astronomical_dusk " ] ||
  fail "fields or their order: $paris"
[ "$(field city "$paris")" == "Paris" ] || fail "name: $paris"
[ "$(field country "$paris")" == "France" ] || fail "country: $paris"
[ "$(field local_time "$paris")" == "07/01/26 14:00:00" ] || fail "local time: $paris"
[ "$(field latitude "$paris")" == "48.85" ] || fail "latitude: $paris"
[ "$(field dst_starts "$paris")" == "29 Mar" ] || fail "saving starts: $paris"
[ "$(field dst_ends "$paris")" == "25 Oct" ] || fail "saving ends: $paris"

# Both sunrises: the geometric one in standard time, and the almanac's (upper limb, refraction)
# in clock time, which in Sydney's December includes daylight time.
berlin=$("$cli" city Berlin --at 2026-12-09T12:00:00Z) || fail "berlin exit status"
[ "$(field sunrise "$berlin")" == "08:11:55" ] || fail "berlin geometric sunrise: $berlin"
[ "$(field sunset "$berlin")" == "15:45:23" ] || fail "berlin geometric sunset: $berlin"
[ "$(field sunrise_clock "$berlin")" == "08:04" ] || fail "berlin clock sunrise: $berlin"
[ "$(field sunset_clock "$berlin")" == "15:52" ] || fail "berlin clock sunset: $berlin"
sydney=$("$cli" city Sydney --at 2026-12-21T02:00:00Z) || fail "sydney exit status"
[ "$(field sunrise "$sydney")" == "04:45:10" ] || fail "sydney geometric sunrise: $sydney"
[[ "$(field sunrise_clock "$sydney")" == 05:4[01] ]] || fail "sydney clock sunrise: $sydney"
[[ "$(field sunset_clock "$sydney")" == 20:0[456] ]] || fail "sydney clock sunset: $sydney"

tokyo=$("$cli" city tokyo --at 2026-07-01T12:00:00Z) || fail "tokyo exit status"
[ "$(field local_time "$tokyo")" == "07/01/26 21:00:00" ] || fail "tokyo time: $tokyo"
[ -z "$(field dst_starts "$tokyo")$(field dst_ends "$tokyo")" ] || fail "tokyo saving: $tokyo"

"$cli" city "No Such Place" >/dev/null 2>&1
[ $? -eq 1 ] || fail "unknown city must exit 1"
"$cli" city >/dev/null 2>&1
[ $? -eq 2 ] || fail "no name must exit 2"
"$cli" city Paris --at yesterday >/dev/null 2>&1
[ $? -eq 2 ] || fail "bad instant must exit 2"

[ "$failures" -eq 0 ] && echo "city fields: ok"
exit "$failures"
