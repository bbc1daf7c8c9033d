#!/usr/bin/env bash
# Every shipped city's clock against the IANA time-zone database on this computer's own zone
# files (Python's zoneinfo reads the same /usr/share/zoneinfo): meridiana-cli cities at noon of
# 24 days of 2027 and one minute before and after each of 2027's changes of every
# shipped zone. Offset, saving and the days of the year's changes must all agree; nothing is
# excused. Then the local times that --at and the planner read: repeated, skipped, short days.
set -u
stage=$1
root=$2/../..
source "$(dirname "$0")/cli_lib.bash"

# The instants, one per line, from the zones of the shipped table.
python3 - "$root/data/tz_data.txt" > "$tmp/instants" <<'PY' || fail "instants"
import sys
from datetime import datetime, timedelta, timezone
from zoneinfo import ZoneInfo
utc = timezone.utc
names = sorted({line.split("\t")[3] for line in open(sys.argv[1], encoding="utf-8").read().splitlines()[1:] if line})
instants = {datetime(2027, m, d, 12, tzinfo=utc) for m in range(1, 13) for d in (1, 15)}
start, end = datetime(2027, 1, 1, tzinfo=utc), datetime(2028, 1, 1, tzinfo=utc)
for name in names:
    try:
        zone = ZoneInfo(name)
    except Exception:
        continue
    t, off = start, start.astimezone(zone).utcoffset()
    while t < end:
        n = t + timedelta(hours=1)
        if n.astimezone(zone).utcoffset() != off:
            lo, hi = t, n  # the change lies in (lo, hi]
            while hi - lo > timedelta(seconds=1):
                mid = lo + (hi - lo) / 2
                if mid.astimezone(zone).utcoffset() == off: lo = mid
                else: hi = mid
            instants |= {hi - timedelta(minutes=1), hi + timedelta(minutes=1)}
            off = n.astimezone(zone).utcoffset()
        t = n
for t in sorted(instants):
    print(t.strftime("%Y-%m-%dT%H:%M:%SZ"))
PY
count=$(wc -l < "$tmp/instants")
[ "$count" -gt 100 ] || fail "only $count instants"
# Under the sanitizers, which look for memory faults rather than wrong clocks, every fifth.
if [ -n "${ASAN_OPTIONS:-}" ]; then
  awk 'NR % 5 == 1' "$tmp/instants" > "$tmp/some" && mv "$tmp/some" "$tmp/instants"
  count=$(wc -l < "$tmp/instants")
fi
while read -r at; do
  TZ=UTC "$cli" cities --at "$at" --data "$stage" > "$tmp/at_$at.tsv" || fail "cities --at $at"
done < "$tmp/instants"

python3 - "$root/data/tz_data.txt" "$tmp" "$tmp/instants" <<'PY' || fail "cities against zoneinfo"
import sys
from datetime import datetime, timedelta, timezone
from zoneinfo import ZoneInfo
utc = timezone.utc
months = "Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec".split()
zone_of = {}
for line in open(sys.argv[1], encoding="utf-8").read().splitlines()[1:]:
    if line:
        name = line.split("\t")[3]
        zone_of.setdefault(name.rsplit("/", 1)[-1].lower(), name)

def changes(zone, year):
    """Local dates just before the year's changes that put the clocks forward and back."""
    forward = back = None
    t = datetime(year, 1, 1, tzinfo=utc) - timedelta(days=1)
    off, dst = t.astimezone(zone).utcoffset(), t.astimezone(zone).dst()
    while t < datetime(year + 1, 1, 2, tzinfo=utc):
        n = t + timedelta(minutes=15)
        local = n.astimezone(zone)
        if local.utcoffset() != off:
            if local.dst() != dst:
                day = (t + timedelta(minutes=14, seconds=59)).astimezone(zone).date()
                text = f"{day.day} {months[day.month - 1]}"
                if day.year == year:
                    if local.utcoffset() > off and forward is None: forward = text
                    if local.utcoffset() < off and back is None: back = text
            off, dst = local.utcoffset(), local.dst()
        t = n
    return forward or "", back or ""

exact_saving = {"Australia/Lord_Howe", "America/Havana", "America/Santiago", "Pacific/Chatham",
                "Antarctica/Casey", "Africa/Casablanca", "Europe/Dublin", "Europe/London"}
bad, checked, memo = [], 0, {}
for at in open(sys.argv[3]).read().split():
    t = datetime.strptime(at, "%Y-%m-%dT%H:%M:%SZ").replace(tzinfo=utc)
    rows = open(f"{sys.argv[2]}/at_{at}.tsv", encoding="utf-8").read().splitlines()
    head = rows[0].split("\t")
    col = {name: i for i, name in enumerate(head)}
    for row in rows[1:]:
        f = row.split("\t")
        zone_name = zone_of.get(f[col["zone_key"]].lower())
        if zone_name is None:
            continue
        zone = ZoneInfo(zone_name)
        local = t.astimezone(zone)
        want_iso = local.strftime("%Y-%m-%dT%H:%M:%S")
        want_saving = int(local.dst().total_seconds() // 60)
        want_offset = local.utcoffset().total_seconds()
        got_offset = float(f[col["utc_offset_hours"]]) * 3600 + int(f[col["saving_minutes"]]) * 60
        checked += 1
        problems = []
        if f[col["local_iso"]] != want_iso: problems.append(f"local {f[col['local_iso']]} not {want_iso}")
        # zoneinfo infers the amount of a saving from the file's history, and gets it wrong for a
        # few zones with old double savings (Inuvik: 120); the amount is compared for the zones
        # with unusual savings, whether there is one for every zone.
        got_saving = int(f[col["saving_minutes"]])
        if (got_saving != want_saving) if zone_name in exact_saving else ((got_saving != 0) != (want_saving != 0)):
            problems.append(f"saving {got_saving} not {want_saving}")
        if abs(got_offset - want_offset) > 1: problems.append(f"offset {got_offset} not {want_offset}")
        if at.endswith("-15T12:00:00Z") and at.startswith("2027-01"):
            key = (zone_name, local.year)
            if key not in memo: memo[key] = changes(zone, local.year)
            got = (f[col["dst_starts"]], f[col["dst_ends"]])
            if got != memo[key]: problems.append(f"changes {got} not {memo[key]}")
        if problems and len(bad) < 20:
            bad.append(f"{f[0]} ({zone_name}) at {at}: " + "; ".join(problems))
print(f"{checked} city-instants checked")
if bad:
    print("\n".join(bad))
    sys.exit(1)
PY

# lookup TZ AT CITY COLUMN: one field of one city's line.
lookup() {
  TZ=$1 "$cli" cities --at "$2" --data "$stage" |
    awk -F'\t' -v city="$3" -v col="$4" 'NR == 1 { for (i = 1; i <= NF; i++) c[$i] = i; next }
      { n = $1; sub(/ +$/, "", n) } n == city { print $(c[col]); exit }'
}
# Local --at values: a repeated time is its first occurrence, always; "Z" and offsets name the
# instant; a skipped time fails with status 1.
got=$(lookup Europe/London 2027-10-31T01:30 London local_iso)
[ "$got" = 2027-10-31T01:30:00 ] || fail "London 01:30 reads $got"
[ "$(lookup Europe/London 2027-10-31T01:30 London saving_minutes)" = 60 ] || fail "London 01:30 is not BST"
[ "$(lookup America/Havana 2027-11-07T00:30:00 Havana saving_minutes)" = 60 ] || fail "Havana's first 00:30"
[ "$(lookup UTC 2027-10-31T01:30+01:00 London local_iso)" = 2027-10-31T01:30:00 ] || fail "offset +01:00"
[ "$(lookup UTC 2027-10-31T00:30-01:00 London local_iso)" = 2027-10-31T01:30:00 ] || fail "offset -01:00"
[ "$(lookup UTC 2027-10-31T01:30Z London local_iso)" = 2027-10-31T01:30:00 ] || fail "UTC Z"
TZ=Europe/London "$cli" cities --at 2027-03-28T01:30 --data "$stage" > /dev/null 2> "$tmp/skip.err"
status=$?
[ $status -eq 1 ] || fail "a skipped time exits with $status"
grep -q "skip" "$tmp/skip.err" || fail "a skipped time says: $(cat "$tmp/skip.err")"
for at in 2100-01-01T00:00Z 1800-06-01T00:00Z 2027-13-01T00:00Z; do
  TZ=UTC "$cli" cities --at "$at" --data "$stage" > /dev/null 2> "$tmp/year.err"
  status=$?
  expected=1
  [ "$at" = 2027-13-01T00:00Z ] && expected=2
  [ $status -eq $expected ] || fail "--at $at exits with $status"
done
grep -q "1950 to 2050" <(TZ=UTC "$cli" city London --at 2100-01-01T00:00Z --data "$stage" 2>&1) ||
  fail "a year out of range is not named"

# The planner on the host's short day: Lord Howe's 3 October 2027 lasts 23.5 hours, and no hour
# or common run goes past its end (13:00 UTC).
TZ=Australia/Lord_Howe "$cli" plan --cities London --date 2027-10-03 --data "$stage" > "$tmp/plan.tsv" ||
  fail "plan exit status"
rows=$(grep -c '^2027' "$tmp/plan.tsv")
[ "$rows" = 24 ] || fail "Lord Howe's short day has $rows rows"
tail -n 3 "$tmp/plan.tsv" | grep -q '^2027-10-03 12:30' || fail "the last hour: $(tail -n 3 "$tmp/plan.tsv" | head -1)"
grep -q '^overlap=.*-13:30' "$tmp/plan.tsv" && fail "overlap past the day's end: $(grep overlap "$tmp/plan.tsv")"
TZ=America/Havana "$cli" plan --cities London --date 2027-11-07 --data "$stage" > "$tmp/havana.tsv" ||
  fail "plan Havana"
[ "$(grep -c '^2027' "$tmp/havana.tsv")" = 25 ] || fail "Havana's long day: $(grep -c '^2027' "$tmp/havana.tsv") rows"

# A zone without any file falls back to the tables: here only London's file is there.
mkdir -p "$tmp/zoneinfo/Europe"
cp /usr/share/zoneinfo/Europe/London "$tmp/zoneinfo/Europe/London"
# Lord Howe's half-hour saving is 0 in the tables, which count whole hours only.
[ "$(TZDIR=$tmp/zoneinfo lookup UTC 2027-01-15T12:00Z "Lord Howe" local_iso)" = 2027-01-15T22:30:00 ] ||
  fail "Lord Howe without its file reads the tables"
[ "$(TZDIR=$tmp/zoneinfo lookup UTC 2027-07-15T12:00Z London local_iso)" = 2027-07-15T13:00:00 ] ||
  fail "London with its file"

if [ $failures -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "cities agree with the time-zone database at $count instants; local --at and planner days as expected"
