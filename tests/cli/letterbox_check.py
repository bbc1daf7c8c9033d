#!/usr/bin/env python3
"""Whether a screen grab (xwd -root) shows a map letterboxed: black bars of BAR rows above and
below, the map between them.

Usage: letterbox_check.py GRAB.xwd WIDTH HEIGHT BAR   (exit status 1 with the reason if not)
A BAR of half the height or more asks for black only: no map at all.
"""
import struct
import sys

grab, width, height, bar = sys.argv[1], *map(int, sys.argv[2:5])
data = open(grab, "rb").read()
h = struct.unpack(">25I", data[:100])
header, got_width, got_height, order, bpp, line, ncolors = h[0], h[4], h[5], h[7], h[11], h[12], h[19]
pixels = data[header + 12 * ncolors:]


def pixel(x, y):
    at = y * line + x * bpp // 8
    value = int.from_bytes(pixels[at:at + 4], "little" if order == 0 else "big")
    return (value >> 16) & 255, (value >> 8) & 255, value & 255


if (got_width, got_height) != (width, height):
    sys.exit(f"the screen is {got_width} x {got_height}, not {width} x {height}")
columns = range(0, width, width // 16)
if 2 * bar >= height:
    for y in range(0, height, height // 12):
        if any(pixel(x, y) != (0, 0, 0) for x in columns):
            sys.exit(f"row {y} shows more than black")
    sys.exit(0)
for y in (bar // 8, bar - 1 - bar // 8, height - bar + bar // 8, height - 1 - bar // 8):
    if any(pixel(x, y) != (0, 0, 0) for x in columns):
        sys.exit(f"row {y} is not part of a black bar")
rows = range(bar + 10, height - bar - 10, (height - 2 * bar - 20) // 10)
samples = [(x, y) for x in range(0, width, width // 20) for y in rows]
lit = sum(1 for x, y in samples if pixel(x, y) != (0, 0, 0))
if lit < 0.75 * len(samples):
    sys.exit(f"only {lit} of {len(samples)} samples between the bars show the map")
