#!/usr/bin/env python3
"""Whether a screen grab (xwd -root) shows a map letterboxed: black bars of BAR rows above and
below, the map between them.

Usage: letterbox_check.py GRAB.xwd WIDTH HEIGHT BAR [PICTURE.bmp [--disc]]
(exit status 1 with the reason if not)
A BAR of half the height or more asks for black only: no map at all. With PICTURE, the part
between the bars must show that picture, scaled, the right way up: the colours of a grid of
cells are compared with the picture's own. With --disc the picture is a globe, black round it.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from render_lib import read_bmp  # noqa: E402

grab, width, height, bar = sys.argv[1], *map(int, sys.argv[2:5])
reference = sys.argv[5] if len(sys.argv) > 5 else None
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
if lit < (0.3 if sys.argv[6:] == ["--disc"] else 0.75) * len(samples):
    sys.exit(f"only {lit} of {len(samples)} samples between the bars show the map")

if reference:
    ref_width, ref_height, ref_rows = read_bmp(reference)
    shown = height - 2 * bar
    columns, rows_of_cells = 16, 8

    def screen_cell(cx, cy):
        xs = range(cx * width // columns, (cx + 1) * width // columns, 4)
        ys = range(bar + cy * shown // rows_of_cells, bar + (cy + 1) * shown // rows_of_cells, 4)
        values = [pixel(x, y) for x in xs for y in ys]
        return [sum(v[c] for v in values) / len(values) for c in range(3)]

    def picture_cell(cx, cy, flipped):
        xs = range(cx * ref_width // columns, (cx + 1) * ref_width // columns, 2)
        ys = range(cy * ref_height // rows_of_cells, (cy + 1) * ref_height // rows_of_cells, 2)
        values = []
        for y in ys:
            row = ref_rows[ref_height - 1 - y if flipped else y]
            values += [(row[3 * x + 2], row[3 * x + 1], row[3 * x]) for x in xs]
        return [sum(v[c] for v in values) / len(values) for c in range(3)]

    def difference(flipped):
        total = 0.0
        for cy in range(rows_of_cells):
            for cx in range(columns):
                a, b = screen_cell(cx, cy), picture_cell(cx, cy, flipped)
                total += sum(abs(a[c] - b[c]) for c in range(3)) / 3
        return total / (columns * rows_of_cells)

    upright, upside_down = difference(False), difference(True)
    if upright > 8 or upright * 2 > upside_down:
        sys.exit(f"the screen does not show {reference}: mean difference {upright:.1f} "
                 f"(upside down: {upside_down:.1f})")
