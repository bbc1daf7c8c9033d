#!/usr/bin/env python3
"""A loopback stand-in of the USGS earthquake feed and of the aurora forecast, over HTTPS with the tests' own certificates
(or plain HTTP with --plain), for the live-source tests.

The feed is at the real path, /earthquakes/feed/v1.0/summary/2.5_week.geojson, made relative to
now: version V (the file STATE/version, default 1) holds 5 + V events an hour apart ending at
its generation time (the version file's time) and one 8 days old that is no longer of the week;
metadata.title and .count as USGS writes them. ETag and Last-Modified follow the version, and a
request with the current ETag or a date not older gets 304.

STATE/mode, read at each request, picks a fault: "ok", "status N", "bad" (not JSON), "slow S"
(answer after S seconds), "hang" (never answer), "drip" (a byte every 0.1 s).
The aurora forecast is at the forecaster's path, /json/ovation_aurora_latest.json, in its format
(all 65,160 points of the one-degree grid, longitude-major): a SYNTHETIC oval of 67 degrees
geomagnetic latitude round each geomagnetic pole, peaking at 20 + 10 V percent, observed at the
version file's time and forecast an hour later; the same modes, ETag and Last-Modified apply.
Other paths: /redirect/N (N redirects, then the feed; absolute, path-absolute and relative
Locations in turn), /to-http (a redirect to plain http), /redirect-away (to a name), /big (2 MiB),
/dir/feed.json (a redirect to "?v=2", which redirects to the feed), /endless-head (header lines
without end), /endless-line (one header line without end).
Each request is appended to --log: "PATH | if-none-match: X | if-modified-since: Y".
"""
import argparse
import email.utils
import http.server
import json
import os
import ssl
import threading
import time

FEED = "/earthquakes/feed/v1.0/summary/2.5_week.geojson"
AURORA = "/json/ovation_aurora_latest.json"
POLE = (80.7, -72.7)  # the geomagnetic north pole, near enough for a stand-in
LOCK = threading.Lock()


def read(name, default):
    try:
        with open(os.path.join(ARGS.state, name), encoding="utf-8") as f:
            return f.read().strip() or default
    except OSError:
        return default


def feed(version, generated):
    events = [generated - k * 3600 for k in range(5 + version)] + [generated - 8 * 86400]
    features = [{
        "type": "Feature",
        "properties": {"mag": 2.5 + (k % 30) / 10, "time": t * 1000, "place": "stand-in"},
        "geometry": {"type": "Point", "coordinates": [-120 + k, 35 - k / 2, 10 + k]},
        "id": "si%d" % k,
    } for k, t in enumerate(events)]
    return json.dumps({
        "type": "FeatureCollection",
        "metadata": {"generated": generated * 1000, "title": "USGS Magnitude 2.5+ Earthquakes, Past Week",
                     "status": 200, "count": len(features)},
        "features": features,
    }).encode()


def aurora(version, observed):
    import math
    plat, plon = map(math.radians, POLE)
    peak = 20 + 10 * version
    points = []
    for lon in range(360):
        for lat in range(-90, 91):
            la, lo = math.radians(lat), math.radians(lon)
            # Geomagnetic latitude: the angle from the dipole's equator, north or south.
            s = math.sin(la) * math.sin(plat) + math.cos(la) * math.cos(plat) * math.cos(lo - plon)
            mlat = abs(math.degrees(math.asin(max(-1, min(1, s)))))
            points.append("[%d, %d, %d]" % (lon, lat, round(peak * math.exp(-((mlat - 67) / 4) ** 2))))
    stamp = lambda t: time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(t))
    return ('{"Observation Time": "%s", "Forecast Time": "%s", "Data Format": "[Longitude, Latitude, '
            'Aurora]", "coordinates": [%s]}' % (stamp(observed), stamp(observed + 3600), ", ".join(points))).encode()


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def send(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        with LOCK, open(ARGS.log, "a", encoding="utf-8") as f:
            f.write("%s | if-none-match: %s | if-modified-since: %s\n" % (
                self.path, self.headers.get("If-None-Match", ""),
                self.headers.get("If-Modified-Since", "")))
        scheme = "http" if ARGS.plain else "https"
        here = "%s://127.0.0.1:%d" % (scheme, self.server.server_address[1])
        if self.path.startswith("/redirect/"):
            n = int(self.path.rsplit("/", 1)[1])
            if n <= 1:
                location = "../" + FEED.lstrip("/")  # relative to /redirect/
            elif n % 2:
                location = "%s/redirect/%d" % (here, n - 1)
            else:
                location = "/redirect/%d" % (n - 1)
            return self.send(302, headers=[("Location", location)])
        if self.path == "/redirect-away":
            return self.send(302, headers=[("Location", "https://elsewhere.invalid" + FEED)])
        if self.path == "/to-http":
            return self.send(302, headers=[("Location", "http://127.0.0.1:9" + FEED)])
        if self.path == "/dir/feed.json":
            return self.send(302, headers=[("Location", "?v=2")])
        if self.path == "/dir/feed.json?v=2":
            return self.send(302, headers=[("Location", FEED)])
        if self.path in ("/endless-head", "/endless-line"):
            filler = b"X-Filler: " + b"h" * 500 + b"\r\n" if self.path == "/endless-head" else b"h" * 4096
            try:
                self.wfile.write(b"HTTP/1.1 200 OK\r\n" + (b"X-Long: " if filler[0] == 104 else b""))
                for _ in range(1 << 20):  # 0.5 to 4 GiB: far more than any client should take
                    self.wfile.write(filler)
            except OSError:
                pass
            return None
        if self.path == "/big":
            return self.send(200, b"x" * (2 << 20))
        if self.path not in (FEED, AURORA):
            return self.send(404, b"not here")
        mode = read("mode", "ok").split()
        if mode[0] == "hang":
            time.sleep(600)
            return None
        if mode[0] == "slow":
            time.sleep(float(mode[1]))
        if mode[0] == "status":
            return self.send(int(mode[1]), b"failing on purpose")
        if mode[0] == "bad":
            return self.send(200, b"<html>not json</html>")
        if mode[0] == "drip":
            self.send_response(200)
            self.end_headers()
            for _ in range(600):
                self.wfile.write(b" ")
                self.wfile.flush()
                time.sleep(0.1)
            return None
        version = int(read("version", "1"))
        try:
            generated = int(os.path.getmtime(os.path.join(ARGS.state, "version")))
        except OSError:
            generated = int(time.time())
        etag = '"v%d"' % version
        modified = email.utils.formatdate(generated, usegmt=True)
        since = self.headers.get("If-Modified-Since")
        since_ok = since and email.utils.parsedate_to_datetime(since).timestamp() >= generated
        if self.headers.get("If-None-Match") == etag or (since_ok and not self.headers.get("If-None-Match")):
            return self.send(304, headers=[("ETag", etag), ("Last-Modified", modified)])
        body = aurora(version, generated) if self.path == AURORA else feed(version, generated)
        return self.send(200, body, [
            ("Content-Type", "application/json"), ("ETag", etag), ("Last-Modified", modified)])


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--state", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--plain", action="store_true")
    ARGS = parser.parse_args()
    server = Server(("127.0.0.1", 0), Handler)
    if not ARGS.plain:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(ARGS.cert, ARGS.key)
        # The handshake happens in the request's thread, so one stuck client holds no other.
        server.socket = context.wrap_socket(server.socket, server_side=True,
                                            do_handshake_on_connect=False)
    with open(ARGS.port_file + ".tmp", "w", encoding="utf-8") as f:
        f.write(str(server.server_address[1]))
    os.rename(ARGS.port_file + ".tmp", ARGS.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
