#!/usr/bin/env bash
# meridiana-cli quakes and clouds against a hostile service of our own (the first path part of
# --service picks its misbehaviour): names that would leave the cache, an empty list, an image
# that is not one, a million earthquakes, an error text full of format directives. Every
# outcome is a clear failure in bounded time, and nothing is written outside the cache folder.
set -u
cli=$1/meridiana-cli
tmp=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config http_proxy= all_proxy=

python3 - "$tmp/port" <<'PY' &
import http.server, os, sys
XML = b'<?xml version="1.0" encoding="UTF-8"?>\n'
MANY = XML + b"<QUAKES>" + b"<QUAKE lat=1 lon=2 m=3/>" * 1000000 + b"</QUAKES>"
def reply(scenario, query):
    listing = "checkonly=1" in query
    if scenario == "badname":
        return XML + b'<IMAGES><IMAGE m="x" t="../../escaped" s="1" q="1"/></IMAGES>'
    if scenario == "emptylist":
        return XML + b"<IMAGES></IMAGES>"
    if scenario == "notimage":
        return XML + b'<IMAGES><IMAGE m="x" t="2026120812" s="9" q="1"/></IMAGES>' if listing \
            else os.urandom(5000)
    if scenario == "manyquakes":
        return MANY
    if scenario == "errortext":
        return XML + b'<ERROR n="1">Down %s%n%x &amp; out</ERROR>'
    if scenario == "nonnumbers":
        return XML + b'<QUAKES><QUAKE lat="north" lon="1e1" m="big" depth="inf"/><QUAKE lat="2"/></QUAKES>'
    return b""
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        path, _, query = self.path.partition("?")
        body = reply(path.split("/")[1], query)
        self.send_response(200)
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
open(sys.argv[1] + ".tmp", "w").write(str(server.server_port))
os.rename(sys.argv[1] + ".tmp", sys.argv[1])
server.serve_forever()
PY
server=$!
for _ in $(seq 100); do [ -s "$tmp/port" ] && break; sleep 0.05; done
base=http://127.0.0.1:$(cat "$tmp/port")

clouds() { # scenario: runs clouds into its own folder; sets rc, out, err
  rc=0
  out=$(timeout 30 "$cli" clouds --service "$base/$1" --cache "$tmp/$1" --frames 1 2>"$tmp/err") || rc=$?
  err=$(cat "$tmp/err")
}
clouds badname
[ "$rc" -eq 1 ] && grep -q "image name that is not valid" <<<"$err" || fail "bad name: $rc $err"
[ ! -e "$tmp/escaped" ] && [ ! -e "$tmp/escaped.jpg" ] || fail "a file outside the cache"
[ -z "$(find "$tmp/badname/cache" -type f)" ] || fail "bad name: nothing cached"
clouds emptylist
[ "$rc" -eq 1 ] && [ -z "$out" ] || fail "empty list: $rc $out"
clouds notimage
[ "$rc" -eq 1 ] || fail "an image that is not one is not shown: $rc"
[ "$(head -n1 <<<"$out")" == "source: not stated" ] || fail "a list that says nothing of its source: $out"
[ "$(sed 1d <<<"$out" | cut -f6)" == "" ] || fail "no file for the junk image: $out"
[ "$(find "$tmp" -newer "$tmp/port" -type f ! -path "$tmp/*/cache/*" ! -name cache.tmp ! -name err | wc -l)" -eq 0 ] ||
  fail "files outside the cache folders: $(find "$tmp" -newer "$tmp/port" -type f)"

start=$(date +%s)
rc=0; out=$(timeout 60 "$cli" quakes --service "$base/manyquakes") || rc=$?
[ "$rc" -eq 1 ] && grep -q "larger than 100000 events or 8 MiB" <<<"$out" ||
  fail "a million earthquakes: $rc $(tail -c 200 <<<"$out")"
[ $(($(date +%s) - start)) -lt 20 ] || fail "a million earthquakes took $(($(date +%s) - start)) s"
rc=0; out=$("$cli" quakes --service "$base/errortext" 2>"$tmp/err") || rc=$?
[ "$rc" -eq 1 ] && [ "$(cat "$tmp/err")" == "Error: Down %s%n%x & out" ] ||
  fail "the service's error text as written: $rc $(cat "$tmp/err")"
rc=0; out=$("$cli" quakes --service "$base/nonnumbers") || rc=$?
[ "$rc" -eq 0 ] && [ "$(sed -n 2p <<<"$out")" == $'\t2\t0\t0\t0' ] &&
  [ "$(tail -n1 <<<"$out")" == "1 earthquake events recorded in the past 7 days" ] ||
  fail "numbers that are not numbers: $rc $out"
exit $failures
