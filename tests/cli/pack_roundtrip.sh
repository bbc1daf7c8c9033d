#!/usr/bin/env bash
# meridiana-cli pack and unpack: a text survives the round trip byte for byte, and a file the
# reader rejects makes unpack fail with status 1 and one line on standard error.
set -u
cli="$1/meridiana-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# CR LF lines, tabs, bytes above 127 and a NUL.
printf 'Paris\tFR\t48.85\t2.35\r\nZ\xfcrich\tCH\t47.37\t8.54\r\n\x00end' >"$work/table.txt"
"$cli" pack "$work/table.txt" "$work/table.dat" || fail "pack exited $?"
[ "$(head -c 4 "$work/table.dat" | od -An -tx1 | tr -d ' ')" = "1a6ae701" ] || fail "magic"
"$cli" unpack "$work/table.dat" "$work/back.txt" || fail "unpack exited $?"
cmp -s "$work/table.txt" "$work/back.txt" || fail "round trip changed the text"

: >"$work/empty.txt"
"$cli" pack "$work/empty.txt" "$work/empty.dat" && "$cli" unpack "$work/empty.dat" "$work/empty.out" \
  || fail "empty text"
[ -f "$work/empty.out" ] && [ ! -s "$work/empty.out" ] || fail "empty text did not round-trip"

check_rejected() { # file, what
  "$cli" unpack "$1" "$work/out.txt" 2>"$work/err"
  local status=$?
  [ "$status" -eq 1 ] || fail "$2: exit status $status, expected 1"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$2: expected one line on stderr, got: $(cat "$work/err")"
  [ ! -e "$work/out.txt" ] || fail "$2: wrote an output file"
}
check_rejected "$work/table.txt" "plain text"
head -c 20 "$work/table.dat" >"$work/truncated.dat"
check_rejected "$work/truncated.dat" "truncated stream"
head -c 5 "$work/table.dat" >"$work/short.dat"
check_rejected "$work/short.dat" "shorter than the header"
check_rejected "$work/missing.dat" "missing file"
# Endless or non-regular inputs are refused before they are read, not read until memory runs out.
check_rejected /dev/zero "character device"

"$cli" pack "$work/table.txt" 2>/dev/null
[ $? -eq 2 ] || fail "pack without an output should be a usage error (2)"
echo "pack round trip: ok"
