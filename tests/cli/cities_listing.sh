#!/usr/bin/env bash
# meridiana-cli cities end to end on the synthetic test tables: offsets read at each city's own
# pixel, saving by northern and southern rules, fractional zones, telephone codes, sunrise.
# Expected local times agree with the IANA zones of the same places (Python's zoneinfo).
set -u
stage=$1
fixtures=$2/world
cli=$stage/meridiana-cli
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for table in location tz_data tz_dst areacode; do
  sed 's/$/\r/' "$fixtures/$table.txt" > "$tmp/$table.txt"
  "$cli" pack "$tmp/$table.txt" "$tmp/$table.dat" || fail "pack $table"
done
mkdir -p "$tmp/images"
python3 "$fixtures/make_tz_image.py" "$tmp/images/earth_tz.bmp" || fail "image"

# field CITY COLUMN FILE: the named column of the city's line.
field() {
  awk -F'\t' -v city="$1" -v col="$2" '
    NR == 1 { for (i = 1; i <= NF; i++) idx[$i] = i; next }
    $1 == city { print $(idx[col]); exit }' "$3"
}
expect() {  # city column expected file
  local got
  got=$(field "$1" "$2" "$4")
  [ "$got" == "$3" ] || fail "$1 $2: expected '$3', got '$got'"
}

july=$tmp/july.tsv
TZ=UTC "$cli" cities --at 2025-07-01T12:00:00Z --data "$tmp" > "$july" 2> "$tmp/july.err" ||
  fail "cities exit status $?"
[ -s "$tmp/july.err" ] && fail "unexpected errors: $(cat "$tmp/july.err")"

header=$'name\tstate\tcountry\tlatitude\tlongitude\tzone_key\tutc_offset_hours\tsaving_minutes\tlocal_time\tlocal_iso\tsunrise\tsunset\tdst_starts\tdst_ends\tcountry_code\tarea_codes'
[ "$(head -n 1 "$july")" == "$header" ] || fail "header: $(head -n 1 "$july")"
[ "$(wc -l < "$july")" -eq 9 ] || fail "expected 8 cities, got $(($(wc -l < "$july") - 1))"
[ "$(awk -F'\t' '{print NF}' "$july" | sort -u)" == "16" ] || fail "every line has 16 fields"

# Cities keep file order.
[ "$(cut -f1 "$july" | sed -n 2,3p | tr '\n' '|')" == "Berlin|Springfield|" ] || fail "order"

expect Berlin country Germany "$july"
expect Berlin utc_offset_hours 1 "$july"
expect Berlin saving_minutes 60 "$july"
expect Berlin local_time "07/01/25 14:00:00" "$july"
expect Berlin local_iso 2025-07-01T14:00:00 "$july"
expect Berlin dst_starts "30 Mar" "$july"
expect Berlin dst_ends "26 Oct" "$july"
expect Berlin country_code 49 "$july"
expect Berlin area_codes " 30" "$july"
expect Berlin latitude 52.52 "$july"
expect Berlin longitude 13.40 "$july"

expect "Springfield" state Illinois "$july"
expect "Springfield" zone_key Chicago "$july"
expect "Springfield" utc_offset_hours -6 "$july"
expect "Springfield" local_iso 2025-07-01T07:00:00 "$july"
expect "Springfield" dst_starts "9 Mar" "$july"   # second Sunday of March
expect "Springfield" dst_ends "2 Nov" "$july"     # first Sunday of November
expect "Springfield" country_code 1 "$july"
expect "Springfield" area_codes " 217, 447" "$july"

expect Kathmandu utc_offset_hours 5.75 "$july"
expect Kathmandu local_iso 2025-07-01T17:45:00 "$july"
expect Kathmandu dst_starts "" "$july"
expect Kathmandu country_code 977 "$july"

expect "Sydney" utc_offset_hours 10 "$july"
expect "Sydney" saving_minutes 0 "$july"
expect "Sydney" local_iso 2025-07-01T22:00:00 "$july"
expect "Sydney" dst_starts "5 Oct" "$july"
expect "Sydney" dst_ends "6 Apr" "$july"

expect "St. John's" utc_offset_hours -3.5 "$july"
expect "St. John's" local_iso 2025-07-01T09:30:00 "$july"
expect "St. John's" area_codes " 709" "$july"

expect Longyearbyen sunrise "Sun up all day" "$july"
expect Longyearbyen sunset "Sun up all day" "$july"

expect Atlantis country "" "$july"
expect Atlantis utc_offset_hours -2 "$july"
expect Atlantis local_iso 2025-07-01T10:00:00 "$july"
expect Atlantis country_code "" "$july"
expect Atlantis area_codes "" "$july"

expect Reykjavik local_iso 2025-07-01T12:00:00 "$july"
expect Reykjavik country_code 354 "$july"
expect Reykjavik area_codes "" "$july"

# Sunrise and sunset are those of a solar query with the zone's standard offset.
sun=$("$cli" sun --at 2025-07-01T12:00:00Z --lat 52.52 --lon 13.40 --tz 1)
expect Berlin sunrise "$(sed -n 's/^sunriseText=//p' <<< "$sun")" "$july"
expect Berlin sunset "$(sed -n 's/^sunsetText=//p' <<< "$sun")" "$july"
# Past the solar routine's years there is no sunrise to show, not a midnight.
TZ=UTC "$cli" cities --at 2051-07-15T12:00:00Z --data "$tmp" > "$tmp/late.tsv" 2>/dev/null
expect Berlin sunrise "" "$tmp/late.tsv"
expect Berlin sunset "" "$tmp/late.tsv"

# Southern summer: Sydney saves, Berlin does not, the Arctic city has no sunrise.
january=$tmp/january.tsv
TZ=UTC "$cli" cities --at 2025-01-15T12:00:00Z --data "$tmp" > "$january" 2>/dev/null
expect Berlin local_iso 2025-01-15T13:00:00 "$january"
expect "Springfield" local_iso 2025-01-15T06:00:00 "$january"
expect "Sydney" saving_minutes 60 "$january"
expect "Sydney" local_iso 2025-01-15T23:00:00 "$january"
expect "St. John's" local_iso 2025-01-15T08:30:00 "$january"
expect Longyearbyen sunrise "Sun down all day" "$january"

# Without the cities there is nothing to list: status 1 and one line naming the table.
empty=$tmp/empty
mkdir -p "$empty"
"$cli" cities --at 2025-01-15T12:00:00Z --data "$empty" > "$tmp/none.tsv" 2> "$tmp/none.err"
[ $? -eq 1 ] || fail "missing cities should fail"
[ ! -s "$tmp/none.tsv" ] || fail "nothing expected on standard output without cities"
[ "$(wc -l < "$tmp/none.err")" -eq 1 ] && grep -qF "'$empty/location.dat'" "$tmp/none.err" ||
  fail "one line naming location.dat: $(cat "$tmp/none.err")"
# The other tables only thin the listing out: each is reported and the cities are still listed.
cp "$tmp/location.dat" "$empty/"
"$cli" cities --at 2025-01-15T12:00:00Z --data "$empty" > "$tmp/few.tsv" 2> "$tmp/few.err" ||
  fail "missing zones should not fail"
[ "$(wc -l < "$tmp/few.tsv")" -eq 9 ] || fail "every city expected without the other tables"
for name in tz_data.dat tz_dst.dat areacode.dat; do
  grep -qF "Error: Unable to load file '$empty/$name'" "$tmp/few.err" || fail "no error for $name"
done
# A FIFO under the cities' name is refused at once instead of hanging the start.
rm "$empty/location.dat" && mkfifo "$empty/location.dat"
timeout 10 "$cli" cities --data "$empty" > /dev/null 2>&1
[ $? -eq 1 ] || fail "a FIFO location.dat should fail at once"
# A full standard output is a failure.
"$cli" cities --at 2025-01-15T12:00:00Z --data "$tmp" > /dev/full 2>/dev/null
[ $? -eq 1 ] || fail "writing to /dev/full should fail"

# Without --data the tables come from MERIDIANA_DATA.
[ "$(MERIDIANA_DATA="$tmp" "$cli" cities --at 2025-01-15T12:00:00Z 2>/dev/null | wc -l)" -eq 9 ] ||
  fail "MERIDIANA_DATA not used"

"$cli" cities --at yesterday > /dev/null 2>&1
[ $? -eq 2 ] || fail "a bad instant is a usage error"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "ok"
