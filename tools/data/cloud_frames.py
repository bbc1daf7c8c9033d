#!/usr/bin/env python3
"""Twelve sample cloud frames from one real picture, with a made-up motion between them.

Usage: cloud_frames.py PICTURE.bmp OUT_DIR

The picture (an uncompressed 24-bit BMP, as `meridiana-cli image` writes it) is equirectangular;
each frame is it turned about the polar axis, wrapping at the date line. The newest frame is the
picture itself; each older one is turned a further 2.8125 degrees (1/128 of the width) west, so
played oldest to newest the clouds drift east. The frames are named by made-up hourly UTC times,
2018-02-06 14:00 to 2018-02-07 01:00, the hours before the sample earthquake week's end. This is
synthetic motion of one real picture, not a satellite sequence.
"""

import os
import struct
import sys

FRAMES = 12
FIRST_HOUR = (2018, 2, 6, 14)


def frame_names():
    year, month, day, hour = FIRST_HOUR
    names = []
    for _ in range(FRAMES):
        names.append("%04d%02d%02d%02d" % (year, month, day, hour))
        hour += 1
        if hour == 24:  # the sample's hours cross one midnight only, within February
            hour, day = 0, day + 1
    return names


def read_bmp(path):
    data = open(path, "rb").read()
    if data[:2] != b"BM":
        sys.exit("%s: not a BMP" % path)
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits != 24 or compression != 0 or width <= 0 or height == 0:
        sys.exit("%s: not an uncompressed 24-bit BMP" % path)
    stride = (width * 3 + 3) & ~3
    rows = [data[offset + y * stride: offset + y * stride + width * 3] for y in range(abs(height))]
    return width, height, rows


def write_bmp(path, width, height, rows):
    stride = (width * 3 + 3) & ~3
    pad = b"\0" * (stride - width * 3)
    pixels = b"".join(r + pad for r in rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + pixels)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[2])
    width, height, rows = read_bmp(sys.argv[1])
    os.makedirs(sys.argv[2], exist_ok=True)
    step = width // 128
    for index, name in enumerate(frame_names()):
        west = (FRAMES - 1 - index) * step * 3  # bytes: the older, the further west
        turned = [r[west:] + r[:west] for r in rows]
        write_bmp(os.path.join(sys.argv[2], name + ".bmp"), width, height, turned)


if __name__ == "__main__":
    main()
