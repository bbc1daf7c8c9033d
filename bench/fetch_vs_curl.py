#!/usr/bin/env python3
"""The HTTP client of meridiana-cli fetch against curl, on loopback, in one run:

- one 4 MiB body, and a run of 100 small replies (one process each), fetched by both programs
  in turns (the order swapped every round); median wall time of each and their ratio;
- the start-up floor: a run against a closed port, which both programs give up on at once;
- peak resident memory of the client for the 4 MiB body, also less its peak for a small reply,
  against the body size. A child's ru_maxrss starts from the peak of whoever exec'ed it (this
  interpreter, 4 MiB bodies and all), so the peak is taken from wait4 in /usr/bin/time, a small
  process that forks the client afresh.

The server is asyncio in a thread of this process, with the replies built beforehand; while a
client runs this process only waits in wait4, so the server has the interpreter to itself. With
--nginx, nginx from Debian serves the same bodies as files instead (one worker, access log off),
which sends a large body faster than the interpreter does, so the clients' own costs show more.

Usage: python3 bench/fetch_vs_curl.py build/release/stage/meridiana-cli [ROUNDS] [--nginx]
"""
import asyncio
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

BIG = 4 << 20
SMALL_RUN = 100


def reply(body):
    head = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
    head += "Last-Modified: Tue, 03 Mar 2026 10:20:30 GMT\r\nContent-Length: %d\r\n\r\n" % len(body)
    return head.encode("ascii") + body


BODIES = {b"/big": os.urandom(BIG), b"/small": b"small reply\n" * 20}
REPLIES = {path: reply(body) for path, body in BODIES.items()}


async def handle(reader, writer):
    try:
        head = await reader.readuntil(b"\r\n\r\n")
        parts = head.split(b" ", 2)
        writer.write(REPLIES.get(parts[1] if len(parts) > 1 else b"",
                                 b"HTTP/1.0 404 Not Found\r\n\r\n"))
        await writer.drain()
    except (asyncio.IncompleteReadError, asyncio.LimitOverrunError, ConnectionError):
        pass
    writer.close()


def start_server():
    """Serves on a free loopback port in a daemon thread; returns the port."""
    ready = threading.Event()
    port = []

    def loop():
        async def serve():
            server = await asyncio.start_server(handle, "127.0.0.1", 0, backlog=128)
            port.append(server.sockets[0].getsockname()[1])
            ready.set()
            await server.serve_forever()
        asyncio.run(serve())

    threading.Thread(target=loop, daemon=True).start()
    if not ready.wait(10):
        sys.exit("the server did not start")
    return port[0]


NGINX_CONF = """%(user)sworker_processes 1;
error_log %(w)s/error.log;
events { worker_connections 256; }
http {
  access_log off;
  client_body_temp_path %(w)s/temp/body;
  proxy_temp_path %(w)s/temp/proxy;
  fastcgi_temp_path %(w)s/temp/fastcgi;
  uwsgi_temp_path %(w)s/temp/uwsgi;
  scgi_temp_path %(w)s/temp/scgi;
  server { listen 127.0.0.1:%(port)d; root %(w)s/root; }
}
"""


def start_nginx(work):
    """nginx serving BODIES as files from work/root on a free loopback port; (process, port)."""
    nginx = shutil.which("nginx") or "/usr/sbin/nginx"
    if not os.access(nginx, os.X_OK):
        sys.exit("nginx is not installed (scripts/deps.sh installs it)")
    os.makedirs(os.path.join(work, "root"))
    for folder in (os.path.dirname(work), work):
        os.chmod(folder, 0o755)  # nginx's worker reads the files
    os.makedirs(os.path.join(work, "temp"))
    for path, body in BODIES.items():
        with open(os.path.join(work, "root", path.decode().lstrip("/")), "wb") as f:
            f.write(body)
    port = closed_port()
    conf = os.path.join(work, "nginx.conf")
    with open(conf, "w") as f:
        f.write(NGINX_CONF % {"user": "user root;\n" if os.getuid() == 0 else "", "w": work,
                              "port": port})
    proc = subprocess.Popen([nginx, "-p", work, "-c", conf, "-e", os.path.join(work, "error.log"),
                             "-g", "daemon off; pid %s/nginx.pid;" % work])
    for _ in range(200):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return proc, port
        except OSError:
            time.sleep(0.05)
    proc.kill()
    sys.exit("nginx did not start")


def closed_port():
    """A loopback port where nothing listens (bound for a moment, then let go)."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def run(argv, env):
    """Runs argv with output to /dev/null; returns (seconds, exit status, peak RSS in KiB)."""
    started = time.perf_counter()
    pid = os.posix_spawn(argv[0], argv, env, file_actions=[
        (os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
        (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)])
    _, status, usage = os.wait4(pid, 0)
    return time.perf_counter() - started, os.waitstatus_to_exitcode(status), usage.ru_maxrss


def peak_kib(argv, env, work):
    """Peak RSS of argv in KiB, as /usr/bin/time sees it."""
    report = os.path.join(work, "time.txt")
    run(["/usr/bin/time", "-f", "%M", "-o", report] + argv, env)
    with open(report) as f:
        return int(f.read().split()[-1])


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    args = [a for a in sys.argv[1:] if a != "--nginx"]
    use_nginx = len(args) != len(sys.argv) - 1
    cli = os.path.abspath(args[0])
    rounds = int(args[1]) if len(args) > 1 else 5
    curl = shutil.which("curl")
    if not curl:
        sys.exit("curl is not installed (scripts/deps.sh installs it)")
    work = tempfile.mkdtemp()
    nginx = None
    if use_nginx:
        nginx, port = start_nginx(os.path.join(work, "nginx"))
    else:
        port = start_server()
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": work,  # no proxies, no rc files
           "XDG_CONFIG_HOME": os.path.join(work, ".config"), "LANG": "C"}
    out = os.path.join(work, "body")
    clients = {
        "meridiana": lambda url: [cli, "fetch", url, "--proxy", "none", "--out", out],
        "curl": lambda url: [curl, "-s", "-o", out, "--http1.0", url],
    }
    closed = closed_port()
    times = {name: {"big": [], "big-memory": [], "small": [], "floor": []} for name in clients}

    def url(path):
        return "http://127.0.0.1:%d%s" % (port, path)

    def fetch(name, path):
        seconds, status, _ = run(clients[name](url(path)), env)
        check(name, path, status)
        return seconds

    # The transfer alone: meridiana keeps the body in its response block, curl writes it to
    # /dev/null. (With a file, meridiana writes it whole or not at all, fsync and rename
    # included, while curl writes in place; that is the first comparison.)
    in_memory = {
        "meridiana": lambda u: [cli, "fetch", u, "--proxy", "none"],
        "curl": lambda u: [curl, "-s", "-o", "/dev/null", "--http1.0", u],
    }

    def fetch_in_memory(name, path):
        seconds, status, _ = run(in_memory[name](url(path)), env)
        if status != 0:
            sys.exit("%s %s: exit status %d" % (name, path, status))
        return seconds

    def check(name, path, status):
        with open(out, "rb") as f:
            if status != 0 or f.read() != BODIES[path.encode()]:
                sys.exit("%s %s: exit status %d or a wrong body" % (name, path, status))
        os.unlink(out)

    for round_ in range(rounds):
        order = list(clients) if round_ % 2 == 0 else list(clients)[::-1]
        for name in order:
            times[name]["big"].append(fetch(name, "/big"))
            times[name]["big-memory"].append(fetch_in_memory(name, "/big"))
            times[name]["small"].append(
                sum(fetch_in_memory(name, "/small") for _ in range(SMALL_RUN)))
            floor = [run(clients[name]("http://127.0.0.1:%d/" % closed), env)[0] for _ in range(10)]
            times[name]["floor"].append(statistics.median(floor))

    peaks = {}
    if os.access("/usr/bin/time", os.X_OK):
        for name in clients:
            peaks[name] = {}
            for path in ("/big", "/small"):
                values = []
                for _ in range(3):
                    values.append(peak_kib(clients[name](url(path)), env, work))
                    check(name, path, 0)
                peaks[name][path] = max(values)
    if nginx:
        nginx.terminate()
        nginx.wait()
    shutil.rmtree(work, ignore_errors=True)

    print("%d rounds on loopback from %s: a %d MiB body, runs of %d small replies" % (
        rounds, "nginx" if nginx else "asyncio", BIG >> 20, SMALL_RUN))
    medians = {name: {kind: statistics.median(values) for kind, values in kinds.items()}
               for name, kinds in times.items()}
    for kind, label in (("big", "4 MiB to a file"), ("big-memory", "4 MiB, transfer"),
                        ("small", "%d small replies" % SMALL_RUN),  # transfer only
                        ("floor", "start-up floor")):
        m, c = medians["meridiana"][kind], medians["curl"][kind]
        print("%-18s meridiana %8.1f ms   curl %8.1f ms   ratio %.2f" % (label, m * 1e3, c * 1e3,
                                                                      m / c))
    if not peaks:
        print("peak RSS: /usr/bin/time is missing (scripts/deps.sh installs the package time)")
    body_kib = BIG >> 10
    for name, peak in peaks.items():
        big, small = peak["/big"], peak["/small"]
        print("peak RSS %-9s  4 MiB body %6d KiB, small reply %6d KiB, difference %6d KiB "
              "= %.2f x the body" % (name, big, small, big - small, (big - small) / body_kib))


if __name__ == "__main__":
    main()
