#!/bin/bash
# meridiana-cli moon end to end: the fields, a polar day in words, bad arguments.
set -u
source "$(dirname "$0")/check_lib.bash"

# New moon of 2024-01-11 (11:58 UTC) from Longyearbyen: the Moon 26.8 degrees south of the
# equator, under the Sun's meridian, dark, and never above a horizon at 78 degrees north.
out=$("$cli" moon --at 2024-01-11T12:00:00Z --city Longyearbyen)
check status 0 $?
check phase "New Moon" "$(field phase "$out")"
check latitude -26.7 "$(field sublunar_latitude "$out" | cut -c1-5)"
check fraction 0.00 "$(field illuminated_fraction "$out" | cut -c1-4)"
check city Longyearbyen "$(field city "$out")"
check moonrise "Moon down all day" "$(field moonrise "$out")"
check moonset "Moon down all day" "$(field moonset "$out")"
check field-count 11 "$(grep -c '^[a-z_]*=' <<<"$out")"

# Without a city: the Moon alone, and no data folder is read.
out=$("$cli" moon --at 2024-01-25T17:53:00Z --data /nonexistent)
check status-alone 0 $?
check phase-full "Full Moon" "$(field phase "$out")"
check no-city "" "$(field moonrise "$out")"

"$cli" moon --city 'No Such Place' --at 2024-01-11T12:00:00Z >/dev/null 2>&1
check unknown-city 1 $?
"$cli" moon --at yesterday >/dev/null 2>&1
check bad-instant 2 $?
"$cli" moon --lat 5 >/dev/null 2>&1
check unknown-option 2 $?

exit $fail
