#!/bin/bash
# meridiana-cli sun end to end: the Properties-style query, rejected inputs, bad arguments.
set -u
source "$(dirname "$0")/check_lib.bash"

# London at midsummer noon UTC, standard time: the geometric sunrise and sunset.
out=$("$cli" sun --at 2024-06-21T12:00:00Z --lat 51.5074 --lon -0.1278 --tz 0)
check status 0 $?
check dayOfYear 173 "$(field dayOfYear "$out")"
check functionMask 111 "$(field functionMask "$out")"
check sunriseText 03:50:19 "$(field sunriseText "$out")"
check sunsetText 20:14:32 "$(field sunsetText "$out")"
check error 0 "$(field error "$out")"
check last-line error=0 "$(tail -n1 <<<"$out")"
# Every field of the query is printed once.
check field-count 36 "$(grep -c '^[A-Za-z]*=' <<<"$out")"

# The zone offset moves sunrise on the dial, not the Sun.
out=$("$cli" sun --at 2024-06-21T12:00:00 --lat 51.5074 --lon -0.1278 --tz 1)
check sunriseText+1 04:50 "$(field sunriseText "$out" | cut -c1-5)"

# Shading mask: elevation but no sunrise.
out=$("$cli" sun --at 2024-06-21T12:00:00 --lat 0 --lon 0 --mask 7)
check mask7-sunrise 0 "$(field sunrise "$out")"
check mask7-elevation 66.5 "$(field elevation "$out" | cut -c1-4)"

# Polar night reads as words.
out=$("$cli" sun --at 2024-12-21T12:00:00 --lat 78.22 --lon 15.65 --tz 1)
check polar "Sun down all day" "$(field sunriseText "$out")"

# Rejected inputs: the error bits, zero results.
out=$("$cli" sun --at 2051-01-01T00:00:00 --lat 0 --lon 0)
check year-error 1 "$(field error "$out")"
check year-sunrise "" "$(field sunriseText "$out")"
out=$("$cli" sun --at 2024-01-01T00:00:00 --lat 91 --lon 0 --tz 13)
check lat-tz-error 640 "$(field error "$out")"

# A full standard output is a failure, not a success.
"$cli" sun --at 2024-06-21T12:00:00Z --lat 0 --lon 0 >/dev/full 2>/dev/null
check dev-full-status 1 $?

# Bad arguments fail with status 2 and print nothing on standard output.
for args in "--lat 1" "--at 2024-02-30T00:00:00 --lat 0 --lon 0" "--at 2024-01-01 --lat 0 --lon 0" \
            "--lat x --lon 0" "--lat 0 --lon 0 --mask 7x" "--lat 0 --lon 0 --bogus 1" "--lat"; do
  out=$("$cli" sun $args 2>/dev/null)
  check "status for '$args'" 2 $?
  check "stdout for '$args'" "" "$out"
done

exit $fail
