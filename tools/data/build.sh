#!/usr/bin/env bash
# Regenerates everything under data/ (and the validation fixture) from the
# pinned npm datasets, the system's tzdata and Debian's NASA images.
# Needs: node + npm, python3 (3.9+), tzdata >= 2026f, xplanet-images,
# flightgear-data-base (the sharp day picture), imagemagick, libgeonames-common, iso-codes,
# icu-devtools. Runs offline once node_modules is installed.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work="$here/work"
data="$root/data"
fixtures="$root/tests/fixtures/data"

cd "$here"
if [ ! -d node_modules ] || [ package-lock.json -nt node_modules ]; then
  npm ci --no-audit --no-fund
fi

rm -rf "$work"
mkdir -p "$work" "$data/images" "$fixtures"
node extract.js "$work"
python3 build_tables.py "$work" "$data" "$fixtures"
# Place names in the interface languages, from Debian's gettext catalogues (libgeonames-common,
# iso-codes) and ICU's Chinese script transforms (icu-devtools).
python3 build_names.py "$work/cities1000.txt" "$data"

# Day and night pictures: NASA Visible Earth images as Debian ships them,
# halved to the base-map size. -strip keeps dates and profiles out so that a
# rerun gives the same bytes.
images=/usr/share/xplanet/images
for pair in "earth.jpg:earth_day.jpg" "night.jpg:earth_night.jpg"; do
  src=$images/${pair%%:*}
  dst=$data/images/${pair##*:}
  [ -f "$src" ] || { echo "missing $src: apt-get install xplanet-images" >&2; exit 1; }
  convert "$src" -resize '1024x512!' -strip -sampling-factor 4:4:4 -quality 92 "$dst"
done

# The sharp pictures: the base day picture's colours with the finer detail of NASA's Earth
# Observatory Blue Marble as Debian's FlightGear data ships it (sharp_day.sh), and the City
# Lights night at its own 2048 x 1024; both checked against the base pictures (sharp_match.sh).
"$here/sharp_day.sh" "$images/earth.jpg" /usr/share/games/flightgear/Textures/Globe \
  "$data/images/earth_day_4096.jpg"
convert "$images/night.jpg" -strip -sampling-factor 4:4:4 -quality 92 "$data/images/earth_night_2048.jpg"
"$here/sharp_match.sh" "$data/images/earth_day.jpg" "$data/images/earth_day_4096.jpg"
"$here/sharp_match.sh" "$data/images/earth_night.jpg" "$data/images/earth_night_2048.jpg"

echo "data regenerated: $(cat "$data/tzdata_version.txt" | tr -d '\n') tzdata; see data/REPORT.md"
