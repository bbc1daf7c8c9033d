#!/bin/bash
# meridiana-cli plan end to end: every city's wall clock of every hour agrees with the C
# library's zoneinfo (date under TZ), on a European change day, with the overlap summed up.
set -u
source "$(dirname "$0")/check_lib.bash"

zones=(Europe/London America/New_York Asia/Tokyo)
if [ ! -e /usr/share/zoneinfo/Europe/London ] && [ -z "${TZDIR:-}" ]; then
  echo "no zoneinfo on this system"
  exit 0
fi

out=$(TZ=UTC "$cli" plan --cities "London, New York City,Tokyo" --date 2027-03-28)
check status 0 $?
check header "utc	London	New York City	Tokyo	common" "$(head -1 <<<"$out")"
check rows 24 "$(grep -c '^2027-' <<<"$out")"
mismatches=0
while IFS=$'\t' read -r utc london newyork tokyo common; do
  epoch=$(date -u -d "$utc" +%s)
  cells=("$london" "$newyork" "$tokyo")
  for i in 0 1 2; do
    expected=$(TZ=${zones[$i]} date -d "@$epoch" '+%Y-%m-%d %H:%M')
    if [ "${cells[$i]% w}" != "$expected" ]; then
      echo "FAIL: $utc ${zones[$i]}: expected '$expected', got '${cells[$i]}'"
      mismatches=$((mismatches + 1))
    fi
  done
done < <(grep '^2027-' <<<"$out")
check zoneinfo-mismatches 0 $mismatches
# London skips 01:00 (summer time from 01:00 UTC); nobody's 9-17 overlaps on this day.
check london-skip "2027-03-28 02:00" "$(grep '^2027-03-28 01:00' <<<"$out" | cut -f2)"
check overlap "overlap=none" "$(grep '^overlap=' <<<"$out")"

out=$(TZ=UTC "$cli" plan --cities "London,New York City" --date 2027-03-28 --hours 8-18)
check overlap-two "overlap=12:00-17:00 UTC (5 h)" "$(grep '^overlap=' <<<"$out")"
check common-mark "*" "$(grep '^2027-03-28 12:00' <<<"$out" | cut -f4)"
check hours "hours=8-18" "$(grep '^hours=' <<<"$out")"

# The computer's own change day has 25 hours, starting at its midnight.
out=$(TZ=America/New_York "$cli" plan --cities "Tokyo" --date 2027-11-07)
check fall-back-rows 25 "$(grep -c '^2027-' <<<"$out")"
check first-hour "2027-11-07 04:00" "$(sed -n 2p <<<"$out" | cut -f1)"

# The tray's clock lines: the selector's order (countries as the zone table lists them), the
# weekday only where the date is not the computer's.
out=$(TZ=Europe/London "$cli" clocks --cities "London,Tokyo,Honolulu,Lord Howe" --at 2027-03-26T20:30:00Z)
check clocks "Lord Howe Sat 07:30|London 20:30|Tokyo Sat 05:30|Honolulu 10:30" "$(paste -sd'|' <<<"$out")"
"$cli" clocks --cities "Atlantis" >/dev/null 2>&1
check clocks-unknown 1 $?

"$cli" plan --cities "London,No Such Place" --date 2027-03-28 >/dev/null 2>&1
check unknown-city 1 $?
"$cli" plan --cities London --date 2027-02-30 >/dev/null 2>&1
check bad-date 2 $?
"$cli" plan --cities London --hours 17-9 >/dev/null 2>&1
check bad-hours 2 $?
"$cli" plan --date 2027-03-28 >/dev/null 2>&1
check no-cities 2 $?

exit $fail
