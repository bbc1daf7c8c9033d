#!/usr/bin/env python3
"""A loopback HTTP server (or SOCKS proxy) that misbehaves on purpose, for the fetch tests.

HTTP mode picks the misbehaviour from the request path; each connection gets one reply and is
closed unless the path says otherwise. Every request head is appended to --log as one line
("PORT REQUEST-LINE | header: value | ..."), so a test can count attempts and read headers.
SOCKS mode (--socks KIND) logs the bytes each connection sent, in hex, one line a connection.
"""
import argparse
import os
import socket
import socketserver
import sys
import threading
import time

LOCK = threading.Lock()
ARGS = None
SECOND_PORT = 0
CHUNK = b"x" * 65536


def log(line):
    if ARGS.log:
        with LOCK, open(ARGS.log, "a", encoding="utf-8") as f:
            f.write(line + "\n")


def read_head(sock, limit=65536):
    data = b""
    while b"\r\n\r\n" not in data and len(data) < limit:
        part = sock.recv(4096)
        if not part:
            break
        data += part
    return data.split(b"\r\n\r\n", 1)[0].decode("latin-1")


def response(status, headers=(), body=b""):
    head = "HTTP/1.0 %s\r\n" % status + "".join("%s: %s\r\n" % h for h in headers) + "\r\n"
    return head.encode("latin-1") + body


OK_BODY = b"hostile server says ok\n"
OK = response("200 OK", [("Last-Modified", "Tue, 03 Mar 2026 10:20:30 GMT"),
                         ("Content-Length", len(OK_BODY))], OK_BODY)


def redirect(location):
    return response("302 Found", [("Location", location), ("Content-Length", 0)])


def endless(sock, first, filler):
    """Sends `first`, then `filler` until the client goes away."""
    sock.sendall(first)
    try:
        while True:
            sock.sendall(filler)
    except OSError:
        pass


def serve_http(sock, port):
    head = read_head(sock)
    lines = head.split("\r\n")
    log("%d %s" % (port, " | ".join(lines)))
    parts = lines[0].split(" ")
    target = parts[1] if len(parts) > 1 else "/"
    if target.startswith("http://"):  # asked as a proxy: answer for the origin's path
        target = "/" + target.split("/", 3)[3] if target.count("/") >= 3 else "/"
    path = target.split("?", 1)[0]
    base = "http://127.0.0.1:%d" % port
    if path == "/ok" or path.endswith("/ok"):
        sock.sendall(OK)
    elif path == "/no-separator":
        sock.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nX-Never: ends")
    elif path == "/long-status":
        sock.sendall(b"HTTP/1.0 " + b"9" * 100 + b" Long\r\nContent-Length: 2\r\n\r\nhi")
    elif path == "/lying-length":
        sock.sendall(response("200 OK", [("Content-Length", 100000)], b"only ten.\n"))
    elif path == "/negative-length":
        sock.sendall(response("200 OK", [("Content-Length", -5)], b"five!"))
    elif path == "/gigabyte":
        endless(sock, response("200 OK", [("Content-Length", 1 << 30)]), CHUNK)
    elif path == "/endless-header":
        endless(sock, b"HTTP/1.0 200 OK\r\n", b"X-Filler: " + b"h" * 500 + b"\r\n")
    elif path == "/trickle":
        # The head at once, then the body a byte a second: slower in all than the watchdog
        # allows an idle request, but never idle for long.
        body = b"slow!"
        sock.sendall(response("200 OK", [("Content-Length", len(body))]))
        for byte in body:
            time.sleep(ARGS.trickle_gap)
            sock.sendall(bytes([byte]))
    elif path == "/never-close":
        sock.sendall(OK)
        time.sleep(ARGS.hold)
    elif path == "/loop":
        sock.sendall(redirect(base + "/loop"))
    elif path.startswith("/chain/"):
        step = int(path[7:] or 0)
        sock.sendall(redirect("%s/chain/%d" % (base, step + 1)))
    elif path.startswith("/relative"):  # from /relative/deep, "ok" is /relative/ok
        sock.sendall(redirect("ok"))
    elif path == "/other-port":
        sock.sendall(redirect("http://127.0.0.1:%d/ok" % SECOND_PORT))
    elif path == "/digest":  # asked directly or as a proxy, always the same 407
        sock.sendall(response("407 Proxy Authentication Required", [
            ("Proxy-Authenticate", 'Digest realm="hostile", nonce="0badc0de"'),
            ("Content-Length", 0)]))
    else:
        sock.sendall(response("404 Not Found", [("Content-Length", 0)]))


def recv_some(sock, count, got):
    """Reads up to `count` bytes (less on close or a pause), adding them to `got`."""
    sock.settimeout(2)
    want = len(got) + count
    try:
        while len(got) < want:
            part = sock.recv(want - len(got))
            if not part:
                break
            got += part
    except OSError:
        pass
    return got


def serve_socks(sock):
    got = bytearray()
    kind = ARGS.socks

    def reply(data):  # logged first, so the log is complete once the client has the reply
        log("socks %s got=%s" % (kind, bytes(got).hex()))
        sock.sendall(data)

    if not recv_some(sock, 1, got):
        log("socks %s got=" % kind)
        return
    if got[0] == 4:  # VER CMD PORT(2) IP(4) USERID NUL
        recv_some(sock, 7, got)
        while got[-1] != 0:
            before = len(got)
            if len(recv_some(sock, 1, got)) == before:
                break
    elif got[0] == 5:  # VER NMETHODS METHODS...
        recv_some(sock, 1, got)
        if len(got) > 1:
            recv_some(sock, got[1], got)
    if kind == "garbage":
        reply(b"<html>garbage, not a SOCKS reply</html>\r\n")
    elif kind == "short":
        reply(b"\x05" if got[0] == 5 else b"\x00\x5a")
    elif kind == "refuse4":
        reply(b"\x00\x5b\x00\x00\x00\x00\x00\x00")
    elif kind == "noauth-ff":
        reply(b"\x05\xff")
    elif kind == "refuse5":
        sock.sendall(b"\x05\x00")
        recv_some(sock, 10, got)  # VER CMD RSV ATYP=1 IP(4) PORT(2)
        reply(b"\x05\x05\x00\x01\x00\x00\x00\x00\x00\x00")
    time.sleep(0.2)  # a moment before closing, so the client reads the reply, not a reset


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        port = self.server.server_address[1]
        try:
            if ARGS.socks:
                serve_socks(self.request)
            else:
                serve_http(self.request, port)
        except OSError:
            pass


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def write_port(path, port):
    with open(path + ".tmp", "w") as f:
        f.write("%d\n" % port)
    os.replace(path + ".tmp", path)


def main():
    global ARGS, SECOND_PORT
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--second-port-file")
    parser.add_argument("--log")
    parser.add_argument("--socks", choices=["garbage", "short", "refuse4", "refuse5", "noauth-ff"])
    parser.add_argument("--trickle-gap", type=float, default=1.0)
    parser.add_argument("--hold", type=float, default=30, help="seconds /never-close stays open")
    ARGS = parser.parse_args()
    main_server = Server(("127.0.0.1", ARGS.port), Handler)
    servers = [main_server]
    if ARGS.second_port_file:
        second = Server(("127.0.0.1", 0), Handler)
        SECOND_PORT = second.server_address[1]
        servers.append(second)
        threading.Thread(target=second.serve_forever, daemon=True).start()
        write_port(ARGS.second_port_file, SECOND_PORT)
    if ARGS.port_file:  # written last: once it exists, every port is listening
        write_port(ARGS.port_file, main_server.server_address[1])
    try:
        main_server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
