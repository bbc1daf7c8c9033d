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

# home: the settings file's home city, else the city of the computer's zone; the same figures
# as the city named outright.
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
printf '[Software\\QUILLARY\\Meridiana]\nhome=paris\n' >"$settings/named.ini"
printf '[Software\\QUILLARY\\Meridiana]\nhome=Atlantis\n' >"$settings/unknown.ini"
: >"$settings/none.ini"
while IFS='|' read -r zone file args same; do
  # shellcheck disable=SC2086
  got=$(TZ=$zone "$cli" distance $args --config "$settings/$file" | sed 1,2d) || fail "home: $args"
  # shellcheck disable=SC2086
  want=$("$cli" distance $same | sed 1,2d)
  [ -n "$got" ] && [ "$got" == "$want" ] || fail "distance $args ($file, TZ=$zone): $got"
done <<'HOME'
Asia/Tokyo|named.ini|home Tokyo|Paris Tokyo
Asia/Tokyo|named.ini|Sydney home|Sydney Paris
Asia/Tokyo|none.ini|home London|Tokyo London
Europe/Berlin|unknown.ini|-33.87,151.21 home|-33.87,151.21 Berlin
HOME
TZ=Etc/UTC "$cli" distance home Paris --config "$settings/none.ini" >/dev/null 2>&1
[ $? -eq 1 ] || fail "no home: status"

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
2|home Paris --config
1|home Paris --config /nonexistent/current-user.ini
1|Paris 91,0
2|Paris -91,0
1|Paris Nowhere-at-all
CASES

exit $((failures > 0))
