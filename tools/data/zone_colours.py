"""The program's fixed colour table of standard offsets, in its search order."""

# (red, green, blue, hours); the first entry equal to a pixel wins.
TABLE = [
    (41, 25, 148, 0), (181, 181, 181, -12), (255, 0, 255, -11), (132, 132, 66, -10),
    (181, 132, 140, -9), (0, 255, 255, -8), (255, 197, 255, -7), (197, 206, 156, -6),
    (0, 0, 255, -5), (255, 0, 0, -4), (230, 165, 255, -3), (0, 197, 0, -2),
    (181, 115, 16, -1), (16, 206, 255, 0), (132, 255, 49, 1), (181, 206, 49, 2),
    (255, 255, 132, 3), (255, 132, 0, 4), (197, 115, 239, 5), (255, 123, 123, 6),
    (0, 197, 197, 7), (247, 189, 90, 8), (0, 132, 132, 9), (230, 0, 132, 10),
    (230, 165, 140, 11), (255, 255, 255, 13), (189, 148, 33, 12.75), (115, 173, 123, -9.5),
    (156, 132, 173, -3.5), (206, 239, 239, 3.5), (25, 173, 165, 4.5), (214, 173, 156, 5.75),
    (255, 197, 181, 5.5), (197, 197, 197, 6.5), (156, 239, 173, 9.5), (33, 33, 33, 10.5),
    (132, 74, 156, 11.5),
    # Appended by the program for +12, +14 and +8:45, which the first 37 lack.
    (66, 99, 198, 12), (165, 66, 66, 14), (148, 198, 99, 8.75),
]

# Offset 0 has two entries; the second, a light blue, is the one painted, so
# that the first (a dark blue) is never needed.
PAINT_ZERO = (16, 206, 255)


def minutes_of(entry):
    return round(entry[3] * 60)


def colour_for_minutes(minutes):
    """(rgb, painted minutes, note): the colour for a standard offset. An offset
    missing from the table takes the colour of an offset 24 hours away (same
    clock time, other date) if there is one, else the nearest offset."""
    if minutes == 0:
        return PAINT_ZERO, 0, None
    for e in TABLE:
        if minutes_of(e) == minutes:
            return e[:3], minutes, None
    for e in TABLE:
        if minutes_of(e) in (minutes - 1440, minutes + 1440):
            return e[:3], minutes_of(e), "same clock time, date one day off"
    best = min(TABLE[1:], key=lambda e: (abs(minutes_of(e) - minutes), minutes_of(e)))
    return best[:3], minutes_of(best), "nearest offset in the table"


def minutes_of_colour(rgb):
    for e in TABLE:
        if e[:3] == tuple(rgb):
            return minutes_of(e)
    return 0
