#!/usr/bin/env python3
"""A loopback HTTPS stand-in for the public cloud sources, for the fetch-clouds tests.

  /wms?...         a WMS 1.3.0 GetMap of a generated infrared picture (grey and alpha, white =
                   cold) at the asked WIDTH x HEIGHT and TIME: warm ground, one cold cloud band
                   whose place moves with the hour, the top sixteenth unseen (transparent). A
                   TIME newer than --latency hours ago, older than a day, or not on the hour
                   gets a ServiceException, as map servers answer; so does a BBOX in the wrong
                   axis order for its CRS.
  /clouds.png      a whole-world cloud picture at a fixed address, Last-Modified and ETag from
                   the number in --image-state (the publisher replacing it), 304 for a
                   conditional request that still holds.
A first path segment picks a fault: /timeout/ (never answers), /500/, /html/ (a page instead
of a picture), /huge/ (a body of 1 GiB), /drip/ (a picture two bytes a second), /wrongshape/ (a square picture), /uniform/ (one level
throughout), /same/ (the fixed picture, never 304: the same picture again), /future/ (the fixed
picture dated 1 January 2100).
Each request is appended to --log, percent-decoded, as "PATH?QUERY | If-None-Match: .. | If-Modified-Since: ..".
"""
import argparse
import calendar
import email.utils
import http.server
import os
import ssl
import struct
import sys
import threading
import time
import urllib.parse
import zlib

ARGS = None
LOCK = threading.Lock()
CACHE = {}
FAULTS = {"timeout", "500", "html", "huge", "drip", "wrongshape", "uniform", "same", "future"}


def png(width, height, row_of):
    """Grey-and-alpha PNG; row_of(y) gives the row's bytes (grey, alpha pairs)."""
    raw = b"".join(b"\0" + row_of(y) for y in range(height))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 4, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def infrared(width, height, hour, uniform=False):
    key = (width, height, hour, uniform)
    with LOCK:
        if key in CACHE:
            return CACHE[key]
    if uniform:
        body = png(width, height, lambda y: bytes([90, 255]) * width)
    else:
        band = width // 8
        start = (hour % 24) * width // 24
        seen = bytearray()
        for x in range(width):
            cold = (x - start) % width < band
            seen += bytes([230 if cold else 40, 255])
        seen = bytes(seen)
        unseen = bytes([200, 0]) * width
        body = png(width, height, lambda y: unseen if y < height // 16 else seen)
    with LOCK:
        CACHE[key] = body
    return body


def exception(text):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<ServiceExceptionReport version="1.3.0" '
            'xmlns="http://www.opengis.net/ogc">\n<ServiceException code="InvalidDimensionValue">\n'
            + text + '\n</ServiceException>\n</ServiceExceptionReport>\n').encode()


def image_state():
    try:
        with open(ARGS.image_state, encoding="utf-8") as f:
            return int(f.read().strip() or "0")
    except (OSError, ValueError):
        return 0


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send(self, status, body, kind, headers=()):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        with LOCK, open(ARGS.log, "a", encoding="utf-8") as f:
            f.write("%s | If-None-Match: %s | If-Modified-Since: %s\n" % (
                urllib.parse.unquote(self.path), self.headers.get("If-None-Match", ""),
                self.headers.get("If-Modified-Since", "")))
        url = urllib.parse.urlsplit(self.path)
        parts = [p for p in url.path.split("/") if p]
        fault = parts[0] if parts and parts[0] in FAULTS else ""
        name = parts[-1] if parts else ""
        if fault == "timeout":
            time.sleep(120)
            return
        if fault == "500":
            return self.send(500, b"<html><body>Internal Server Error</body></html>", "text/html")
        if fault == "html":
            return self.send(200, b"<!DOCTYPE html><html><body>Maintenance</body></html>",
                             "text/html")
        if fault == "huge":
            self.send_response(200)
            self.send_header("Content-Type", "image/png")
            self.send_header("Content-Length", str(1 << 30))
            self.end_headers()
            try:
                block = b"\0" * 65536
                for _ in range((1 << 30) // len(block)):
                    self.wfile.write(block)
            except OSError:
                pass
            return
        if fault == "drip":
            self.send_response(200)
            self.send_header("Content-Type", "image/png")
            self.send_header("Content-Length", "100000")
            self.end_headers()
            try:
                for _ in range(600):
                    self.wfile.write(b"\0")
                    self.wfile.flush()
                    time.sleep(0.5)
            except OSError:
                pass
            return
        if fault == "wrongshape":
            return self.send(200, infrared(1000, 1000, 0), "image/png")
        if name == "wms":
            return self.wms(dict((k.upper(), v) for k, v in urllib.parse.parse_qsl(
                url.query, keep_blank_values=True)), fault == "uniform")
        if name == "clouds.png":
            return self.fixed_picture(fault == "same", fault == "future")
        self.send(404, b"not here\n", "text/plain")

    def wms(self, query, uniform):
        if query.get("REQUEST") != "GetMap" or query.get("VERSION") != "1.3.0":
            return self.send(200, exception("only GetMap 1.3.0 here"), "application/vnd.ogc.se_xml")
        boxes = {"EPSG:4326": "-90,-180,90,180", "CRS:84": "-180,-90,180,90"}
        if boxes.get(query.get("CRS")) != query.get("BBOX"):
            return self.send(200, exception("BBOX %s is not the world in %s" % (
                query.get("BBOX"), query.get("CRS"))), "application/vnd.ogc.se_xml")
        width, height = int(query.get("WIDTH", "0")), int(query.get("HEIGHT", "0"))
        if not 0 < width <= 4096 or not 0 < height <= 4096:
            return self.send(200, exception("bad size"), "application/vnd.ogc.se_xml")
        now = time.time()
        try:
            asked = calendar.timegm(time.strptime(query.get("TIME", ""), "%Y-%m-%dT%H:%M:%SZ"))
        except ValueError:
            asked = -1
        if asked < 0 or asked % 3600 or asked > now - ARGS.latency * 3600 or asked < now - 86400:
            return self.send(200, exception("Time %s is out of range" % query.get("TIME")),
                             "application/vnd.ogc.se_xml")
        self.send(200, infrared(width, height, asked // 3600, uniform), "image/png")

    def fixed_picture(self, same, future=False):
        state = image_state()
        modified = (int(time.time()) // 3600 - 1) * 3600 if not ARGS.image_base else ARGS.image_base
        modified = 4102444800 if future else modified + state * 3600
        last_modified = email.utils.formatdate(modified, usegmt=True)
        etag = '"v%d"' % state
        if not same:
            if self.headers.get("If-None-Match") == etag:
                return self.send(304, b"", "image/png", [("ETag", etag)])
            since = email.utils.parsedate_tz(self.headers.get("If-Modified-Since", "") or "x")
            if since and email.utils.mktime_tz(since) >= modified and not self.headers.get(
                    "If-None-Match"):
                return self.send(304, b"", "image/png", [("ETag", etag)])
        self.send(200, infrared(2048, 1024, state), "image/png",
                  [("Last-Modified", last_modified), ("ETag", etag)])


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--image-state", default="")
    parser.add_argument("--image-base", type=int, default=0)
    parser.add_argument("--latency", type=float, default=2)
    ARGS = parser.parse_args()
    server = Server(("127.0.0.1", 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(ARGS.cert, ARGS.key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    with open(ARGS.port_file + ".tmp", "w", encoding="utf-8") as f:
        f.write(str(server.server_address[1]))
    os.replace(ARGS.port_file + ".tmp", ARGS.port_file)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
