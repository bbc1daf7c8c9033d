#!/usr/bin/env python3
"""Reads what a screen grab (xwd, or grim's binary PPM) shows, with no code of the program's.

  grab_check.py marked GRAB        the marked cities of a first start: a green 4 x 4 square in a
                                   black frame at each city, west to east and north to south as
                                   on the Earth
  grab_check.py menu-rows GRAB N   a grabbed popup menu shows N lines of text

Exit status 1 with the reason when the grab does not show it.
"""
import re
import struct
import sys

# Latitude and longitude of the cities a first start marks, from an atlas.
MARKED = {
    "Los Angeles": (34.05, -118.24), "New York City": (40.71, -74.01),
    "São Paulo": (-23.55, -46.63), "London": (51.51, -0.13), "Dubai": (25.20, 55.27),
    "Tokyo": (35.68, 139.69), "Sydney": (-33.87, 151.21),
}


def read_ppm(data):
    # One whitespace byte ends the header: the pixels may begin with bytes that look like spaces.
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
    if not header:
        sys.exit("not an 8-bit binary PPM")
    width, height = int(header.group(1)), int(header.group(2))
    pixels = data[header.end():]

    def pixel(x, y):
        at = (y * width + x) * 3
        return pixels[at], pixels[at + 1], pixels[at + 2]

    return width, height, pixel


def read_xwd(path):
    data = open(path, "rb").read()
    if data.startswith(b"P6"):
        return read_ppm(data)
    h = struct.unpack(">25I", data[:100])
    header, width, height, order, bpp, line, ncolors = h[0], h[4], h[5], h[7], h[11], h[12], h[19]
    pixels = data[header + 12 * ncolors:]
    step = bpp // 8
    endian = "little" if order == 0 else "big"

    def pixel(x, y):
        at = y * line + x * step
        value = int.from_bytes(pixels[at:at + step], endian)
        return (value >> 16) & 255, (value >> 8) & 255, value & 255

    return width, height, pixel


def squares(width, height, pixel):
    """Top-left corners of the green 4 x 4 squares framed in black."""
    found = []
    green, black = (0, 255, 0), (0, 0, 0)
    for y in range(1, height - 5):
        for x in range(1, width - 5):
            if pixel(x, y) != green or pixel(x - 1, y) == green or pixel(x, y - 1) == green:
                continue
            inside = all(pixel(x + i, y + j) == green for i in range(4) for j in range(4))
            frame = [pixel(x + i, y - 1) for i in range(-1, 5)] + [pixel(x + i, y + 4) for i in range(-1, 5)] \
                + [pixel(x - 1, y + j) for j in range(4)] + [pixel(x + 4, y + j) for j in range(4)]
            if inside and all(p == black for p in frame):
                found.append((x + 2, y + 2))
    return found


def check_marked(path):
    width, height, pixel = read_xwd(path)
    found = squares(width, height, pixel)
    if len(found) < len(MARKED):
        sys.exit(f"{len(found)} marked-city squares, not {len(MARKED)} or more: {found}")
    # The westernmost and easternmost squares are Los Angeles and Sydney; every other city must
    # lie where a map with east to the right and north at the top puts it between them.
    west, east = min(found), max(found)
    (lat0, lon0), (lat1, lon1) = MARKED["Los Angeles"], MARKED["Sydney"]
    if east[1] <= west[1]:
        sys.exit(f"Sydney {east} is not south of Los Angeles {west}: the map is upside down")
    for name, (lat, lon) in MARKED.items():
        x = west[0] + (lon - lon0) / (lon1 - lon0) * (east[0] - west[0])
        y = west[1] + (lat - lat0) / (lat1 - lat0) * (east[1] - west[1])
        if not any(abs(fx - x) <= 3 and abs(fy - y) <= 3 for fx, fy in found):
            sys.exit(f"no square at {name} ({x:.0f}, {y:.0f}); squares at {found}")


def check_menu_rows(path, expected):
    width, height, pixel = read_xwd(path)
    # A line of text is a run of pixel rows with contrast inside the frame; the highlight bar and
    # the separator are even across.
    def lum(p):
        return (299 * p[0] + 587 * p[1] + 114 * p[2]) // 1000

    marks = []
    for y in range(3, height - 3):
        values = [lum(pixel(x, y)) for x in range(6, width - 6)]
        marks.append(max(values) - min(values) > 100)
    lines, gap, inside = 0, 0, False
    for mark in marks:
        if mark:
            if not inside:
                lines += 1
            inside, gap = True, 0
        elif inside:
            gap += 1
            inside = gap <= 2  # accents and dots above letters stay in their line
    if lines != expected:
        sys.exit(f"the menu shows {lines} lines of text, not {expected}")


if sys.argv[1] == "marked":
    check_marked(sys.argv[2])
elif sys.argv[1] == "menu-rows":
    check_menu_rows(sys.argv[2], int(sys.argv[3]))
else:
    sys.exit("usage: grab_check.py marked GRAB | menu-rows GRAB N")
