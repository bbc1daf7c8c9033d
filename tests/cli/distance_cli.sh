#!/usr/bin/env bash
# meridiana-cli distance: places as LAT,LON (a leading minus is a place, not an option) and as
# city names; the word for a bearing that does not exist; refusals and their exit statuses.
# The reference row is GeodTest.dat's first (GeographicLib's published test set).
set -u
cli=$1/meridiana-cli
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
field() { sed -n "s/^$1=//p" <<<"$2"; }

row=$("$cli" distance -11.17491,-69.95921 35.60777,-139.44815 2>&1) || fail "status: $row"
[ "$(cut -d= -f1 <<<"$row" | tr '\n' ' ')" == "from to distance_km initial_bearing final_bearing " ] ||
  fail "fields or their order: $row"
# Backwards along GeodTest's row 1: bearings turned by 180°.
[ "$(field distance_km "$row")" == "8935.2446" ] || fail "distance: $row"
[ "$(field initial_bearing "$row")" == "309.2893" ] || fail "initial bearing: $row"
[ "$(field final_bearing "$row")" == "291.0987" ] || fail "final bearing: $row"

# Names resolve as city resolves them; London-Tokyo is about 9,560 km over the sphere.
names=$("$cli" distance london TOKYO) || fail "names: $names"
[[ "$(field from "$names")" == London* && "$(field to "$names")" == Tokyo* ]] || fail "labels: $names"
km=$(field distance_km "$names")
awk -v k="$km" 'BEGIN { exit !(k > 9550 && k < 9600) }' || fail "london-tokyo: $names"

pole=$("$cli" distance 90,0 -90,0) || fail "poles"
[ "$(field initial_bearing "$pole")" == "undefined" ] || fail "leaving a pole: $pole"
[ "$(field final_bearing "$pole")" == "undefined" ] || fail "reaching a pole: $pole"
same=$("$cli" distance Paris Paris) || fail "same"
[ "$(field distance_km "$same")" == "0.0000" ] || fail "same point: $same"
[ "$(field initial_bearing "$same")" == "undefined" ] || fail "same point bearing: $same"

while IFS='|' read -r want args; do
  # shellcheck disable=SC2086
  "$cli" distance $args >/dev/null 2>&1
  got=$?
  [ "$got" -eq "$want" ] || fail "distance $args: status $got, not $want"
done <<'CASES'
2|
2|Paris
2|Paris Rome Oslo
2|-x Paris
2|Paris --data
1|Paris 91,0
2|Paris -91,0
1|Paris Nowhere-at-all
CASES

exit $((failures > 0))
