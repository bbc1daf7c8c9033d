"""Helpers of the render tests: synthetic base images, and BMP/PNG pixel readers that share no
code with the program."""

import struct
import zlib


def write_bmp(path, width, height, pixel):
    """A 24-bit bottom-up BMP; pixel(x, y) gives (blue, green, red), y counted from the top.
    Synthetic test data, not a picture of the Earth."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            row += bytes(pixel(x, y))
        row += b"\0" * (stride - width * 3)
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def write_uniform_bmp(path, width, height, bgr):
    stride = (width * 3 + 3) & ~3
    row = bytes(bgr) * width + b"\0" * (stride - width * 3)
    data = row * height
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def read_bmp(path):
    """(width, height, rows) with rows[y] the (blue, green, red) bytes of visual row y."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:2] == b"BM", "not a BMP"
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bpp = struct.unpack_from("<iiHH", data, 18)
    assert bpp == 24, "not 24-bit"
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        stored = abs(height) - 1 - y if height > 0 else y
        start = offset + stored * stride
        rows.append(data[start:start + width * 3])
    return width, abs(height), rows


def read_png(path):
    """An 8-bit RGB PNG as (width, height, rows) with rows in blue, green, red order."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack_from(">IIBB", body)
            assert depth == 8 and colour == 2, "not 8-bit RGB"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 3
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b = prev[i]
            c = prev[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
        prev = line
        bgr = bytearray(stride)
        bgr[0::3], bgr[1::3], bgr[2::3] = line[2::3], line[1::3], line[0::3]
        rows.append(bytes(bgr))
    return width, height, rows


def noaa_sun(unix):
    """Declination (degrees) and equation of time (minutes) at a Unix time, from the NOAA solar
    calculator's equations (Meeus-based; the program follows another published algorithm)."""
    import math
    jc = (2440587.5 + unix / 86400.0 - 2451545.0) / 36525.0
    l0 = (280.46646 + jc * (36000.76983 + jc * 0.0003032)) % 360
    m = 357.52911 + jc * (35999.05029 - 0.0001537 * jc)
    e = 0.016708634 - jc * (0.000042037 + 0.0000001267 * jc)
    rm = math.radians(m)
    c = (math.sin(rm) * (1.914602 - jc * (0.004817 + 0.000014 * jc))
         + math.sin(2 * rm) * (0.019993 - 0.000101 * jc) + math.sin(3 * rm) * 0.000289)
    omega = math.radians(125.04 - 1934.136 * jc)
    app = l0 + c - 0.00569 - 0.00478 * math.sin(omega)
    obliq = (23 + (26 + (21.448 - jc * (46.815 + jc * (0.00059 - jc * 0.001813))) / 60) / 60
             + 0.00256 * math.cos(omega))
    decl = math.degrees(math.asin(math.sin(math.radians(obliq)) * math.sin(math.radians(app))))
    y = math.tan(math.radians(obliq / 2)) ** 2
    rl = math.radians(l0)
    eot = 4 * math.degrees(y * math.sin(2 * rl) - 2 * e * math.sin(rm)
                           + 4 * e * y * math.sin(rm) * math.cos(2 * rl)
                           - 0.5 * y * y * math.sin(4 * rl) - 1.25 * e * e * math.sin(2 * rm))
    return decl, eot


def disc_place(kind, lat0, lon0, width, height, x, y):
    """The (latitude, longitude) at the centre of pixel (x, y) of a disc centred on (lat0, lon0),
    orthographic or azimuthal equidistant, filling the shorter side, north up (Snyder's inverse
    formulas); None outside the disc."""
    import math
    r = min(width, height) / 2
    u, v = (x + 0.5 - width / 2) / r, (height / 2 - y - 0.5) / r
    rho, p0 = math.hypot(u, v), math.radians(lat0)
    if rho > 1 or rho == 0:
        return None if rho > 1 else (lat0, lon0)
    c = math.asin(rho) if kind == "orthographic" else rho * math.pi
    lat = math.asin(math.cos(c) * math.sin(p0) + v * math.sin(c) * math.cos(p0) / rho)
    lon = lon0 + math.degrees(math.atan2(u * math.sin(c), rho * math.cos(p0) * math.cos(c)
                                         - v * math.sin(p0) * math.sin(c)))
    return math.degrees(lat), (lon + 180) % 360 - 180


def arc(lat1, lon1, lat2, lon2):
    """The great-circle arc between two places in degrees."""
    import math
    p1, p2, dl = math.radians(lat1), math.radians(lat2), math.radians(lon2 - lon1)
    return math.degrees(math.acos(max(-1, min(1, math.sin(p1) * math.sin(p2)
                                             + math.cos(p1) * math.cos(p2) * math.cos(dl)))))


def solar_elevation(unix, lat, lon):
    """The Sun's elevation in degrees (no refraction) from noaa_sun."""
    import math
    decl, eot = noaa_sun(unix)
    ha = math.radians(((unix % 86400) / 60.0 + eot + 4 * lon) % 1440 / 4 - 180)
    return 90 - arc(lat, 0, decl, math.degrees(ha))
