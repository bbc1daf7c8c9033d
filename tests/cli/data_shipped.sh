#!/usr/bin/env bash
# The shipped data as the build stages it: the packed tables unpack to the committed text with
# CR LF line ends, the time-zone picture keeps its exact colours through the conversion to BMP,
# and the wall clocks of a few well-known cities read right in winter and in summer.
# Expected local times come from the IANA time-zone database (Python's zoneinfo, tzdata 2026f).
set -u
stage=$1
root=$2/../..
cli=$stage/meridiana-cli
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for table in location tz_data tz_dst areacode; do
  "$cli" unpack "$stage/$table.dat" "$tmp/$table.txt" || fail "unpack $table.dat"
  sed 's/$/\r/' "$root/data/$table.txt" > "$tmp/$table.expected"
  cmp -s "$tmp/$table.txt" "$tmp/$table.expected" || fail "$table.dat differs from data/$table.txt"
done

python3 - "$stage/images" "$root/data/images/earth_tz.png" <<'PY' || fail "staged images"
import struct, sys, zlib
folder, png_path = sys.argv[1], sys.argv[2]

def bmp(path):
    data = open(path, "rb").read()
    off, = struct.unpack_from("<I", data, 10)
    w, h, _, bpp = struct.unpack_from("<iiHH", data, 18)
    assert data[:2] == b"BM" and bpp == 24, path
    stride = (w * 3 + 3) & ~3
    rows = [data[off + y * stride: off + y * stride + w * 3] for y in range(abs(h))]
    return w, abs(h), rows[::-1] if h > 0 else rows

for name in ("earth_day", "earth_night", "earth_tz"):
    w, h, _ = bmp(f"{folder}/{name}.bmp")
    if (w, h) != (1024, 512):
        sys.exit(f"{name}.bmp is {w}x{h}")

data = open(png_path, "rb").read()
pos, idat = 8, b""
while pos < len(data):
    n, = struct.unpack_from(">I", data, pos)
    if data[pos + 4:pos + 8] == b"IDAT":
        idat += data[pos + 8:pos + 8 + n]
    pos += 12 + n
raw = zlib.decompress(idat)
_, _, rows = bmp(f"{folder}/earth_tz.bmp")
bad = 0
for y in range(512):
    line = raw[y * 3073 + 1:(y + 1) * 3073]
    bgr = bytearray(3072)
    bgr[0::3], bgr[1::3], bgr[2::3] = line[2::3], line[1::3], line[0::3]
    bad += sum(1 for x in range(1024) if rows[y][3 * x:3 * x + 3] != bgr[3 * x:3 * x + 3])
if bad:
    sys.exit(f"earth_tz.bmp differs from earth_tz.png in {bad} pixels")
PY

# wall CITY COUNTRY INSTANT EXPECTED: local_iso of the city (display name without its region).
wall() {
  local got
  got=$(awk -F'\t' -v city="$1" -v country="$2" '
    NR > 1 { name = $1; sub(/ +$/, "", name) }
    NR > 1 && name == city && $3 == country { print $10; exit }' "$tmp/at_$3.tsv")
  [ "$got" = "$4" ] || fail "$1 ($2) at $3: got '$got', expected '$4'"
}
for at in 2027-01-15T12:00:00Z 2027-07-15T12:00:00Z; do
  "$cli" cities --at "$at" --data "$stage" > "$tmp/at_$at.tsv" || fail "cities --at $at"
done
w=2027-01-15T12:00:00Z
s=2027-07-15T12:00:00Z
wall London "Britain (UK)" $w 2027-01-15T12:00:00;   wall London "Britain (UK)" $s 2027-07-15T13:00:00
wall "New York City" "United States" $w 2027-01-15T07:00:00
wall "New York City" "United States" $s 2027-07-15T08:00:00
wall Sydney Australia $w 2027-01-15T23:00:00;        wall Sydney Australia $s 2027-07-15T22:00:00
wall Santiago Chile $w 2027-01-15T09:00:00;          wall Santiago Chile $s 2027-07-15T08:00:00
wall Tehran Iran $w 2027-01-15T15:30:00;             wall Tehran Iran $s 2027-07-15T15:30:00
wall Kathmandu Nepal $w 2027-01-15T17:45:00;         wall Kathmandu Nepal $s 2027-07-15T17:45:00
wall Waitangi "New Zealand" $w 2027-01-16T01:45:00;  wall Waitangi "New Zealand" $s 2027-07-16T00:45:00
wall Cairo Egypt $w 2027-01-15T14:00:00;             wall Cairo Egypt $s 2027-07-15T15:00:00

if [ $failures -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "shipped data: tables, pictures and wall clocks as expected"
