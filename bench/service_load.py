#!/usr/bin/env python3
"""meridiana-service against nginx serving the same data folder, under wrk, on loopback.

Both servers run side by side in one run: meridiana-service with its own settings, and nginx
from Debian with deploy/meridiana-service.nginx (worker_processes auto, access log off). wrk
(Debian's) drives each for SECONDS with 16 connections on two URLs, the twelve-frame list and
the earthquake list, in two modes: wrk's default (HTTP/1.1, connections kept alive, as browsers,
proxies and CDNs connect) and with "Connection: close" (a connection per request, as the
program's own client asks). The servers take turns, so each has the machine to itself while it
is measured.

With --rounds N each case is measured N times, the servers taking turns (the order swapped every
round), and the medians are compared.

Printed: replies per second of each (medians), the service's share of nginx's, errors (socket
errors and replies other than 2xx/3xx, over all rounds), and the service's resident memory at
start, after a warm-up of both modes, and at the end. The run passes when in every case the
service gives at least 0.9 of nginx's replies per second, neither has errors, and the service's
memory after the runs is within 4 MiB of its memory after the warm-up; the exit status says
whether it passed.

With --refreshing, the service also keeps its earthquakes live from a feed of 2,000 events
(about 600 KiB) on loopback, due every second, so that the earthquake requests meet refreshes
all through their measurement (the service then works on a copy of the data folder).

With --idle N, N more connections stay open to the server under measurement all through it, each
kept alive by one small request a second (/version.txt), as idle browsers and proxies keep theirs;
their replies and errors are counted too.

Usage: python3 bench/service_load.py STAGE_DIR [SECONDS] [--data DIR] [--refreshing] [--rounds N]
                                     [--idle N]
       (STAGE_DIR: build/<tree>/stage; SECONDS: per measurement, 60 unless given)
"""
import os
import re
import selectors
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

CONNECTIONS = 16
THREADS = 2
GROWTH_LIMIT_KB = 4096
TARGET_SHARE = 0.9
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
URLS = [
    ("list", "/clouds/cloudv2.php?s=ID&i=MID&q=1&checkonly=1&n=12"),
    ("quakes", "/earthquake.cgi?s=ID&i=MID"),
]
MODES = [("keep-alive", []), ("close", ["-H", "Connection: close"])]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(port, path, deadline=10.0):
    end = time.time() + deadline
    while time.time() < end:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1) as s:
                s.sendall(b"GET %s HTTP/1.0\r\n\r\n" % path.encode())
                if s.recv(12).startswith(b"HTTP/1.1 200"):
                    return True
        except OSError:
            pass
        time.sleep(0.05)
    return False


def rss_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


class FeedHandler(BaseHTTPRequestHandler):
    """A USGS-style week of 2,000 events, generated afresh for each request, with no validators,
    so that every refresh downloads, reads and writes the whole feed."""

    def do_GET(self):
        now_ms = int(time.time() * 1000)
        features = ",".join(
            '{"type":"Feature","properties":{"mag":%.1f,"time":%d,"place":"%d km N of Somewhere"},'
            '"geometry":{"type":"Point","coordinates":[%.4f,%.4f,%.2f]},"id":"bench%d"}'
            % (2.5 + (k % 50) / 10, now_ms - k * 300000, k % 97, -179 + (k * 7.3) % 358,
               -80 + (k * 3.1) % 160, (k * 1.7) % 600, k) for k in range(2000))
        body = ('{"type":"FeatureCollection","metadata":{"generated":%d,"title":"USGS Magnitude '
                '2.5+ Earthquakes, Past Week","count":2000},"features":[%s]}'
                % (now_ms, features)).encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *_):
        pass


def start_feed():
    server = ThreadingHTTPServer(("127.0.0.1", 0), FeedHandler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:%d/earthquakes/feed/v1.0/summary/2.5_week.geojson" % (
        server.server_address[1])


def start_service(stage, data, extra=()):
    proc = subprocess.Popen([os.path.join(stage, "meridiana-service"), "--listen", "127.0.0.1:0",
                             "--data", data] + list(extra), stdout=subprocess.PIPE, text=True)
    line = proc.stdout.readline().strip()
    match = re.fullmatch(r"listening on 127\.0\.0\.1:(\d+)", line)
    if not match:
        proc.kill()
        sys.exit("meridiana-service did not start: %r" % line)
    return proc, int(match.group(1))


def start_nginx(data, work):
    nginx = shutil.which("nginx") or "/usr/sbin/nginx"
    port = free_port()
    with open(os.path.join(ROOT, "deploy", "meridiana-service.nginx")) as f:
        site = f.read()
    site = re.sub(r"(?m)^(\s*)listen 80;", r"\g<1>listen 127.0.0.1:%d;" % port, site)
    site = re.sub(r"(?m)^(\s*)root .*;", r"\g<1>root %s;" % data, site)
    # nginx alone, serving the folder as it stands: what the live service would answer is
    # measured on the service's side.
    site = re.sub(r"(?m)^\s*error_page 418 = @live;\n\s*if \(\$arg_checkonly = 1\) \{\n\s*return 418;\n\s*\}\n",
                  "", site)
    site = re.sub(r"(?ms)(location = /earthquake\.cgi \{).*?\}", r"\1\n        try_files /quakes.xml =404;\n    }",
                  site)
    with open(os.path.join(work, "site.conf"), "w") as f:
        f.write(site)
    temp = os.path.join(work, "temp")
    conf = ("user root;\n" if os.getuid() == 0 else "") + """worker_processes auto;
error_log %(w)s/error.log;
events { worker_connections 4096; }
http {
  access_log off;
  client_body_temp_path %(t)s/body;
  proxy_temp_path %(t)s/proxy;
  fastcgi_temp_path %(t)s/fastcgi;
  uwsgi_temp_path %(t)s/uwsgi;
  scgi_temp_path %(t)s/scgi;
  include %(w)s/site.conf;
}
""" % {"w": work, "t": temp}
    with open(os.path.join(work, "nginx.conf"), "w") as f:
        f.write(conf)
    os.makedirs(temp, exist_ok=True)
    proc = subprocess.Popen([nginx, "-p", work, "-c", os.path.join(work, "nginx.conf"),
                             "-e", os.path.join(work, "error.log"),
                             "-g", "daemon off; pid %s/nginx.pid;" % work])
    return proc, port


class IdleClients:
    """COUNT kept-alive connections to PORT, each asking for /version.txt once a second, spread
    over the second, on one thread, until stop()."""

    REQUEST = b"GET /version.txt HTTP/1.1\r\nHost: bench\r\n\r\n"

    def __init__(self, port, count):
        self.port, self.count = port, count
        self.replies = self.errors = 0
        self.done = threading.Event()
        self.sockets = [self.open() for _ in range(count)]
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def open(self):
        s = socket.create_connection(("127.0.0.1", self.port), timeout=5)
        s.setblocking(False)
        return s

    def run(self):
        chooser = selectors.DefaultSelector()
        for i, s in enumerate(self.sockets):
            chooser.register(s, selectors.EVENT_READ, i)
        start, turn = time.time(), 0
        while not self.done.is_set():
            due = int((time.time() - start) * self.count)  # requests due since the start
            while turn < due:
                i = turn % self.count
                try:
                    self.sockets[i].send(self.REQUEST)
                except OSError:
                    self.errors += 1
                turn += 1
            for key, _ in chooser.select(timeout=0.005):
                try:
                    data = key.fileobj.recv(65536)
                except BlockingIOError:
                    continue
                except OSError:
                    data = b""
                if not data:  # closed by the server: an error, and a new connection in its place
                    self.errors += 1
                    chooser.unregister(key.fileobj)
                    key.fileobj.close()
                    self.sockets[key.data] = self.open()
                    chooser.register(self.sockets[key.data], selectors.EVENT_READ, key.data)
                else:
                    self.replies += data.count(b"HTTP/1.1 200 ")
        for s in self.sockets:
            s.close()

    def stop(self):
        self.done.set()
        self.thread.join()


def wrk(port, path, extra, seconds):
    command = ["wrk", "-t%d" % THREADS, "-c%d" % CONNECTIONS, "-d%ds" % seconds, "--timeout", "5s"]
    command += extra + ["http://127.0.0.1:%d%s" % (port, path)]
    out = subprocess.run(command, capture_output=True, text=True, check=True).stdout
    rate = float(re.search(r"Requests/sec:\s+([\d.]+)", out).group(1))
    errors = 0
    socket_errors = re.search(r"connect (\d+), read (\d+), write (\d+), timeout (\d+)", out)
    if socket_errors:
        errors += sum(int(n) for n in socket_errors.groups())
    non2xx = re.search(r"Non-2xx or 3xx responses: (\d+)", out)
    if non2xx:
        errors += int(non2xx.group(1))
    return rate, errors


def main():
    args = sys.argv[1:]
    refreshing = "--refreshing" in args
    if refreshing:
        args.remove("--refreshing")
    rounds = 1
    if "--rounds" in args:
        at = args.index("--rounds")
        rounds = int(args[at + 1])
        del args[at:at + 2]
    idle = 0
    if "--idle" in args:
        at = args.index("--idle")
        idle = int(args[at + 1])
        del args[at:at + 2]
    data = None
    if "--data" in args:
        at = args.index("--data")
        data = os.path.abspath(args[at + 1])
        del args[at:at + 2]
    if not args or len(args) > 2:
        sys.exit(__doc__.strip().splitlines()[-2])
    stage = os.path.abspath(args[0])
    seconds = int(args[1]) if len(args) > 1 else 60
    data = data or os.path.join(stage, "service")
    if shutil.which("wrk") is None:
        sys.exit("wrk is not installed (scripts/deps.sh installs it)")

    work = tempfile.mkdtemp(prefix="service-load-")
    os.chmod(work, 0o755)
    extra = []
    feed = None
    served = data
    if refreshing:
        feed, url = start_feed()
        served = os.path.join(work, "live")
        shutil.copytree(data, served)
        extra = ["--fetch-quakes", url, "--quakes-every", "0.017"]
    service, service_port = start_service(stage, served, extra)
    nginx, nginx_port = start_nginx(data, work)
    try:
        if not wait_for(service_port, URLS[0][1]) or not wait_for(nginx_port, URLS[0][1]):
            sys.exit("a server did not answer")
        rss_start = rss_kb(service.pid)
        for _, extra in MODES:  # every worker thread and every reply file touched once
            for _, path in URLS:
                wrk(service_port, path, extra, 2)
        rss_warm = rss_kb(service.pid)

        print("wrk -t%d -c%d -d%ds, %d round(s), meridiana-service and nginx on one data folder "
              "(%s)%s" % (THREADS, CONNECTIONS, seconds, rounds, data,
                 ", the service refreshing its earthquakes every second" if refreshing else ""))
        print("%-8s %-11s %12s %12s %7s %8s" % ("url", "mode", "service/s", "nginx/s", "share",
                                                 "errors"))
        if idle:
            print("with %d more connections kept alive by a request a second each" % idle)
        passed = True
        idle_counts = {service_port: [0, 0], nginx_port: [0, 0]}
        for name, path in URLS:
            for mode, extra in MODES:
                rates = {service_port: [], nginx_port: []}
                errors = {service_port: 0, nginx_port: 0}
                for round_ in range(rounds):
                    order = [service_port, nginx_port]
                    for port in (order if round_ % 2 == 0 else order[::-1]):
                        clients = IdleClients(port, idle) if idle else None
                        rate, errs = wrk(port, path, extra, seconds)
                        if clients:
                            clients.stop()
                            idle_counts[port][0] += clients.replies
                            idle_counts[port][1] += clients.errors
                            errs += clients.errors
                        rates[port].append(rate)
                        errors[port] += errs
                ours = statistics.median(rates[service_port])
                theirs = statistics.median(rates[nginx_port])
                our_errors, their_errors = errors[service_port], errors[nginx_port]
                share = ours / theirs if theirs else 0.0
                ok = share >= TARGET_SHARE and our_errors == 0 and their_errors == 0
                passed &= ok
                print("%-8s %-11s %12.0f %12.0f %6.2fx %4d/%-4d %s" % (
                    name, mode, ours, theirs, share, our_errors, their_errors,
                    "" if ok else "  below target"))
        if idle:
            print("their replies (errors): service %d (%d), nginx %d (%d)" % (
                idle_counts[service_port][0], idle_counts[service_port][1],
                idle_counts[nginx_port][0], idle_counts[nginx_port][1]))
        rss_end = rss_kb(service.pid)
        growth = rss_end - rss_warm
        passed &= growth <= GROWTH_LIMIT_KB
        print("service resident memory: %d KiB at start, %d KiB after the warm-up, %d KiB at the "
              "end (%+d KiB)" % (rss_start, rss_warm, rss_end, growth))
        print("target (at least %.1f of nginx's replies per second, no errors, no growth): %s"
              % (TARGET_SHARE, "met" if passed else "NOT met"))
        return 0 if passed else 1
    finally:
        if feed:
            feed.shutdown()
        for proc in (service, nginx):
            proc.terminate()
        for proc in (service, nginx):
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
