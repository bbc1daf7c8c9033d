#!/usr/bin/env bash
# meridiana-service on its shipped sample data: the four cloud forms, the quakes, the version,
# not found, bad t and n, HTTP/1.0 clients, and a clean end on SIGTERM and SIGINT.
# Usage: service_run.sh STAGE_DIR FIXTURES_DIR
set -u
stage=$1
tmp=$(mktemp -d)
source "$(dirname "$0")/service_lib.bash"
sample=$stage/service

start_service sample  # no --data: the sample beside the program
url=${base[sample]}

# expect PATH STATUS TYPE FILE: the reply is that file of the sample, byte for byte.
expect() {
  get "$url$1"
  [ "$status" == "$2" ] && [ "$type" == "$3" ] && cmp -s "$body_file" "$sample/$4" ||
    fail "$1: $status $type, not $2 $3 with the bytes of $4"
}
expect "$cloud&checkonly=1&n=12" 200 text/xml clouds/list-12.xml
expect "$cloud&checkonly=1&n=50" 200 text/xml clouds/list-12.xml
expect "$cloud&checkonly=1&n=3" 200 text/xml clouds/list-3.xml
expect "$cloud&checkonly=1" 200 text/xml clouds/list-1.xml
expect "$cloud&f=1" 200 image/jpeg clouds/newest.jpg
expect "$cloud&f=1&t=2018020614" 200 image/jpeg clouds/2018020614.jpg
expect "$cloud&f=1&t=2018020613" 404 text/xml errors/not-found.xml
expect "$cloud&f=1&t=../../x" 200 text/xml errors/bad-t.xml
expect "$cloud&f=1&t=..%2F..%2Fquakes.xml" 200 text/xml errors/bad-t.xml
expect "$cloud&f=1&t=2018020614/../../../quakes" 200 text/xml errors/bad-t.xml
expect "$cloud&checkonly=1&n=x" 200 text/xml errors/bad-n.xml
expect "$cloud" 200 text/xml errors/bad-request.xml
expect "/earthquake.cgi?s=ID&i=MID" 200 text/xml quakes.xml
expect "/version.txt" 200 text/plain version.txt
for path in / /quakes.xml /clouds/list-1.xml /clouds/2018020614.jpg /service/quakes.xml \
            /errors/not-found.xml "/%2e%2e/%2e%2e/etc/passwd" /earthquake.cgi/; do
  expect "$path" 404 text/xml errors/not-found.xml
done

# The shipped sample: the 2018 week whole, twelve frames labelled as synthetic, newest first.
[ "$(grep -c '^<QUAKE ' "$sample/quakes.xml")" -eq 1707 ] || fail "the sample week is not 1707 events"
grep -q '^<QUAKE .* qt="2018-02-07 01:26:13"/>$' <(sed -n 3p "$sample/quakes.xml") || fail "newest quake first"
[ "$(grep -c '<IMAGE m="sample-synthetic-motion" t="20180[0-9]*"' "$sample/clouds/list-12.xml")" -eq 12 ] ||
  fail "twelve labelled frames"
[ "meridiana-service $(cat "$sample/version.txt")" == "$("$service" --version)" ] || fail "version.txt is the program's version"

# HTTP/1.0, as the program's client asks: the reply says Connection: close and the connection
# ends with it; a 1.0 client that asks for Keep-Alive is told the connection stays.
python3 - "${url#http://127.0.0.1:}" <<'PY' || fail "HTTP/1.0 clients"
import socket, sys, time
port = int(sys.argv[1])
def ask(request):
    s = socket.create_connection(("127.0.0.1", port))
    s.settimeout(3)
    s.sendall(request)
    data, start = b"", time.time()
    try:
        while chunk := s.recv(65536):
            data += chunk
    except socket.timeout:
        pass
    return data, time.time() - start
data, took = ask(b"GET /clouds/cloudv2.php?s=1&i=2&q=1&checkonly=1&n=12 HTTP/1.0\r\n\r\n")
head, _, body = data.partition(b"\r\n\r\n")
assert b"\r\nConnection: close" in head, head
assert took < 1 and body.startswith(b"<?xml") and body.endswith(b"</IMAGES>\n"), (took, body[-20:])
data, took = ask(b"GET /version.txt HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n")
assert b"\r\nConnection: keep-alive" in data, data
PY
get "$url/version.txt" -I
[ "$status" == 200 ] || fail "HEAD: $status"
get "$url/version.txt" -X POST -d x
[ "$status" == 405 ] && grep -q '<ERROR n="405">' "$body_file" || fail "POST: $status"

# SIGTERM and SIGINT end it with status 0, also with a kept-alive client connected.
for signal in TERM INT; do
  start_service "stop$signal" --data "$sample"
  python3 -c 'import socket,sys,time; s=socket.create_connection(("127.0.0.1",int(sys.argv[1]))); s.sendall(b"GET /version.txt HTTP/1.1\r\nHost: x\r\n\r\n"); time.sleep(5)' \
    "${base[stop$signal]#http://127.0.0.1:}" &
  client=$!
  sleep 0.3
  kill -"$signal" "${spid[stop$signal]}"
  started=$(date +%s)
  wait "${spid[stop$signal]}"
  rc=$?
  [ "$rc" -eq 0 ] || fail "SIG$signal: exit status $rc: $(cat "$tmp/stop$signal.err")"
  [ $(($(date +%s) - started)) -le 7 ] || fail "SIG$signal: slow to end"
  kill "$client" 2>/dev/null
done

# Installed, the program finds its sample in ../share/meridiana/service/ from bin/.
if cmake --install "$stage/.." --prefix "$tmp/prefix" >"$tmp/install.log" 2>&1; then
  [ -x "$tmp/prefix/bin/meridiana-service" ] && [ -f "$tmp/prefix/share/meridiana/service/clouds/newest.jpg" ] ||
    fail "not installed in bin/ and share/meridiana/"
  service=$tmp/prefix/bin/meridiana-service start_service installed
  get "${base[installed]}/earthquake.cgi"
  cmp -s "$body_file" "$sample/quakes.xml" || fail "the installed service does not serve its sample"
else
  fail "cmake --install: $(tail -3 "$tmp/install.log")"
fi

# Usage and start-up failures.
"$service" --listen localhost-ish:1 >/dev/null 2>&1
[ $? -eq 2 ] || fail "a host name for --listen is a usage error"
"$service" --listen 127.0.0.1:0 --data "$tmp/absent" >/dev/null 2>"$tmp/absent.err"
[ $? -eq 1 ] && [ "$(wc -l <"$tmp/absent.err")" -eq 1 ] || fail "a missing data folder: $(cat "$tmp/absent.err")"
# A second copy on a port in use fails, rather than taking a share of its requests.
taken=${url#http://127.0.0.1:}
timeout 5 "$service" --listen "127.0.0.1:$taken" --data "$sample" >/dev/null 2>"$tmp/twice.err"
[ $? -eq 1 ] && grep -qx "meridiana-service: cannot listen on 127.0.0.1:$taken: address in use" "$tmp/twice.err" ||
  fail "a second copy on port $taken: $(cat "$tmp/twice.err")"
"$service" --frobnicate >/dev/null 2>&1
[ $? -eq 2 ] || fail "an unknown option"

[ "$failures" -eq 0 ] && echo "service run: ok"
[ "$failures" -eq 0 ]
