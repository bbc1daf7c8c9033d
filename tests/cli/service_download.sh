#!/usr/bin/env bash
# The download the live sources make (meridiana-service fetch), against loopback HTTPS stand-ins
# with the tests' own authority: certificates checked (expired, wrong host, self-signed refused;
# SSL_CERT_FILE honoured), redirects (relative ones resolved, at most five, never https to
# http), one deadline, a size bound, conditional requests.
# Usage: service_download.sh STAGE_DIR FIXTURES_DIR
set -u
source "$(dirname "$0")/service_lib.bash"
source "$here/test_ca.bash"
trust_test_ca "$tmp/ca"
feed=/earthquakes/feed/v1.0/summary/2.5_week.geojson

start_usgs_standin good server
start_usgs_standin expired expired
start_usgs_standin wronghost wronghost
start_usgs_standin selfsigned selfsigned
echo 1 >"$tmp/good/version"

# fetch URL [OPTIONS...]: sets rc, out (the name=value lines) and err.
fetch() {
  out=$("$service" fetch "$@" 2>"$tmp/fetch.err")
  rc=$?
  err=$(cat "$tmp/fetch.err")
}
value() { sed -n "s/^$1=//p" <<<"$out"; }

fetch "${standin[good]}$feed" --out "$tmp/feed.json"
[ "$rc" -eq 0 ] && [ "$(value outcome)" == body ] && [ "$(value status)" == 200 ] || fail "a plain download: $rc $err"
python3 -c 'import json,sys; assert json.load(open(sys.argv[1]))["metadata"]["count"] == 7' "$tmp/feed.json" ||
  fail "the body is the feed"
etag=$(value etag)
modified=$(value last-modified)
[ "$etag" == '"v1"' ] && [ "$(value last-modified-seconds)" == "$(stat -c %Y "$tmp/good/version")" ] ||
  fail "ETag and Last-Modified: $out"

# Conditional requests: the held ETag or date gives 304, a changed feed a body again.
fetch "${standin[good]}$feed" --if-none-match "$etag"
[ "$rc" -eq 0 ] && [ "$(value outcome)" == not-modified ] && [ "$(value bytes)" == 0 ] || fail "If-None-Match: $out"
fetch "${standin[good]}$feed" --if-modified-since "$modified"
[ "$(value outcome)" == not-modified ] || fail "If-Modified-Since: $out"
tail -1 "$tmp/good.log" | grep -qF "if-modified-since: $modified" || fail "If-Modified-Since sent: $(tail -1 "$tmp/good.log")"
echo 2 >"$tmp/good/version"
fetch "${standin[good]}$feed" --if-none-match "$etag"
[ "$(value outcome)" == body ] && [ "$(value etag)" == '"v2"' ] || fail "a changed feed after If-None-Match: $out"

# Redirects: five are followed (absolute, path-absolute and relative with ".." in turn), a
# sixth is not, and https is never followed to http.
fetch "${standin[good]}/redirect/5"
[ "$rc" -eq 0 ] && [ "$(value final)" == "${standin[good]}$feed" ] || fail "five redirects: $rc $err $out"
fetch "${standin[good]}/redirect/6"
[ "$rc" -eq 1 ] && [[ "$err" == *"more than 5 redirects"* ]] || fail "six redirects: $rc $err"
fetch "${standin[good]}/dir/feed.json"
[ "$rc" -eq 0 ] && grep -q '^/dir/feed.json?v=2 ' "$tmp/good.log" || fail "a redirect to ?v=2: $rc $err"
fetch "${standin[good]}/to-http"
[ "$rc" -eq 1 ] && [[ "$err" == *"http://127.0.0.1:9$feed: an https address redirected to plain http"* ]] ||
  fail "https to http: $rc $err"

# Certificates: each bad one refused with its reason; without the authority in SSL_CERT_FILE
# even the good one is.
fetch "${standin[expired]}$feed"
[ "$rc" -eq 1 ] && [[ "$err" == *"certificate has expired"* ]] || fail "an expired certificate: $rc $err"
fetch "${standin[wronghost]}$feed"
[ "$rc" -eq 1 ] && [[ "$err" == *"does not name 127.0.0.1"* ]] || fail "a certificate for another host: $rc $err"
fetch "${standin[selfsigned]}$feed"
[ "$rc" -eq 1 ] && [[ "$err" == *"certificate refused: self"*"signed certificate"* ]] || fail "a self-signed certificate: $rc $err"
SSL_CERT_FILE=$tmp/ca/selfsigned.pem fetch "${standin[good]}$feed"
[ "$rc" -eq 1 ] && [[ "$err" == *"certificate refused"* ]] || fail "SSL_CERT_FILE without the authority: $rc $err"
SSL_CERT_FILE=$tmp/ca/selfsigned.pem fetch "${standin[selfsigned]}$feed"
[ "$rc" -eq 0 ] || fail "SSL_CERT_FILE naming the self-signed certificate: $rc $err"

# Bounds: the size (announced or not), one deadline for a body that keeps coming.
fetch "${standin[good]}/big" --max-bytes 100000
[ "$rc" -eq 1 ] && [[ "$err" == *"larger than 100000 bytes"* ]] || fail "the size bound: $rc $err"
fetch "${standin[good]}/big" --max-bytes 3000000
[ "$rc" -eq 0 ] && [ "$(value bytes)" == 2097152 ] || fail "a body within the bound: $rc $err"
echo drip >"$tmp/good/mode"
started=$(date +%s%N)
fetch "${standin[good]}$feed" --deadline 1
took=$((($(date +%s%N) - started) / 1000000))
[ "$rc" -eq 1 ] && [[ "$err" == *"not downloaded within 1 s"* ]] && [ "$took" -lt 3000 ] ||
  fail "the deadline: $rc $err after $took ms"
# The response head has a bound too, with memory to match: endless header lines, or one line
# that never ends.
# The sanitizers' shadow memory alone adds some 40 MiB; the unbounded reader took over 1 GiB.
most=40000
[ -n "${ASAN_OPTIONS:-}" ] && most=120000
for path in /endless-head /endless-line; do
  /usr/bin/time -o "$tmp/rss" -f %M "$service" fetch "${standin[good]}$path" --max-bytes 1000 \
    >/dev/null 2>"$tmp/fetch.err"
  rc=$?
  err=$(cat "$tmp/fetch.err")
  [ "$rc" -eq 1 ] && [[ "$err" == *"$path: response head larger than 64 KiB" ]] && [ "$(tail -1 "$tmp/rss")" -lt "$most" ] ||
    fail "$path: $rc $err, peak $(tail -1 "$tmp/rss") KiB"
  echo "fetch of $path: peak resident $(tail -1 "$tmp/rss") KiB"
done
echo "status 503" >"$tmp/good/mode"
fetch "${standin[good]}$feed"
[ "$rc" -eq 1 ] && [[ "$err" == *"$feed: status 503" ]] || fail "a failing status: $rc $err"

# Addresses the download does not take; a non-loopback one under the tests' guard is refused
# and noted, and no name is looked up.
for url in ftp://127.0.0.1/x "http://user@127.0.0.1/x" "http://127.0.0.1/a b"; do
  fetch "$url"
  [ "$rc" -eq 2 ] || fail "$url: $rc"
done
for url in "https://earthquake.usgs.gov$feed" "http://127.0.0.1.nip.io$feed" "${standin[good]}/redirect-away"; do
  MERIDIANA_FORBID_DEFAULT_SOURCES=$tmp/forbidden.log fetch "$url"
  [ "$rc" -eq 1 ] && [[ "$err" == *"default sources are forbidden here"* ]] || fail "the guard, $url: $rc $err"
done
[ "$(cat "$tmp/forbidden.log")" == "https://earthquake.usgs.gov$feed
http://127.0.0.1.nip.io$feed
https://elsewhere.invalid$feed" ] || fail "the guard's log: $(cat "$tmp/forbidden.log")"
echo ok >"$tmp/good/mode"
MERIDIANA_FORBID_DEFAULT_SOURCES=$tmp/forbidden.log fetch "${standin[good]}/redirect/1"
[ "$rc" -eq 0 ] || fail "the guard refused loopback: $rc $err"

[ "$failures" -eq 0 ] && echo "service download: ok"
[ "$failures" -eq 0 ]
