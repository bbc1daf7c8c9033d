#!/usr/bin/env python3
"""Turns the aurora sample's points back into the forecaster's JSON.

data/aurora/ovation_nonzero.tsv holds one real OVATION forecast as its non-zero points: header
lines "# Observation Time: ...", "# Forecast Time: ...", "# Data Format: ...", "# type: ..."
(the document's last member) and "# Last Triple: [359, 90, P]" (the list's last point, as a
check that the transcription reached the end), then "lon<TAB>lat<TAB>prob" lines (whole numbers,
longitude 0..359 east, latitude -90..90, percent 1..100). Every point it does not list is 0. The
output is the document the forecaster publishes (ovation_aurora_latest.json): the two times, the
data format, "coordinates" with all 65,160 points, longitude-major (0..359), latitude -90..90
within each, and the type, in the forecaster's own order and layout.

Usage: aurora_sample.py TSV OUT.json
"""
import sys


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    header = {}
    grid = {}
    with open(sys.argv[1], encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line:
                continue
            if line.startswith("#"):
                name, _, value = line[1:].partition(":")
                header[name.strip()] = value.strip()
                continue
            lon, lat, prob = (int(v) for v in line.split("\t"))
            if not (0 <= lon <= 359 and -90 <= lat <= 90 and 0 <= prob <= 100):
                sys.exit("%s:%d: off the grid: %s" % (sys.argv[1], number, line))
            if (lon, lat) in grid:
                sys.exit("%s:%d: listed twice: %s" % (sys.argv[1], number, line))
            grid[(lon, lat)] = prob
    for name in ("Observation Time", "Forecast Time"):
        if name not in header:
            sys.exit("%s: no '# %s:' line" % (sys.argv[1], name))
    if "Last Triple" in header:
        last = [int(v) for v in header["Last Triple"].strip("[]").split(",")]
        if last != [359, 90, grid.get((359, 90), 0)]:
            sys.exit("%s: the last triple %s is not the grid's last point" % (sys.argv[1], last))
    points = ", ".join("[%d, %d, %d]" % (lon, lat, grid.get((lon, lat), 0))
                       for lon in range(360) for lat in range(-90, 91))
    with open(sys.argv[2], "w", encoding="utf-8") as out:
        out.write('{"Observation Time": "%s", "Forecast Time": "%s", '
                  '"Data Format": "%s", "coordinates": [%s]%s}' % (
                      header["Observation Time"], header["Forecast Time"],
                      header.get("Data Format", "[Longitude, Latitude, Aurora]"), points,
                      ', "type": "%s"' % header["type"] if "type" in header else ""))
    print("aurora: %d points, %d not 0, forecast %s" % (360 * 181, len(grid), header["Forecast Time"]))


if __name__ == "__main__":
    main()
