#!/usr/bin/env bash
# meridiana-cli fetch against servers and SOCKS proxies that misbehave on purpose: each request
# must end in a clear outcome (exit status, flags, status, event text), soon, with bounded memory.
set -u
cli=$1/meridiana-cli
hostile=$(cd "$(dirname "$0")" && pwd)/hostile_server.py
tmp=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config  # no kept proxy settings

# start NAME ARGS...: a hostile server with its own log; its port goes to $tmp/NAME.port.
start() {
  local name=$1
  shift
  python3 "$hostile" --port-file "$tmp/$name.port" --log "$tmp/$name.log" "$@" \
    2>"$tmp/$name.err" &
  pids+=($!)
}
# wait_started NAME...: until each server has written its port; the test ends if one does not.
wait_started() {
  for name in "$@"; do
    for _ in $(seq 100); do
      [ -s "$tmp/$name.port" ] && break
      sleep 0.05
    done
    [ -s "$tmp/$name.port" ] || { echo "FAIL: server $name did not start: $(cat "$tmp/$name.err")"; exit 99; }
  done
}
port_of() { cat "$tmp/$1.port"; }

# fetch ARGS...: sets out (stdout and stderr), rc and ms (wall time).
fetch() {
  local started
  started=$(date +%s%N)
  out=$(timeout 20 "$cli" fetch "$@" 2>&1)
  rc=$?
  ms=$((($(date +%s%N) - started) / 1000000))
}
field() { sed -n "s/^$1=//p" <<<"$out"; }
one_line() { tr '\n' ' ' <<<"$out"; }

start http --second-port-file "$tmp/second.port" --hold 30
for kind in garbage short refuse4 refuse5 noauth-ff; do start "socks-$kind" --socks "$kind"; done
start socks-long --socks garbage
wait_started http socks-garbage socks-short socks-refuse4 socks-refuse5 socks-noauth-ff socks-long
port=$(port_of http)
url=http://127.0.0.1:$port
[ -s "$tmp/second.port" ] || fail "the second port was not written"

# Ended by the watchdog unless data keeps coming: a byte a second, for five seconds, with a
# watchdog that gives up after 4.4 idle seconds. Runs while the other cases do.
(
  fetch "$url/trickle" --proxy none --watchdog-ms 400 --out "$tmp/trickle.body"
  echo "$out" >"$tmp/trickle.out"
  echo "$ms" >"$tmp/trickle.ms"
  exit "$rc"
) &
trickle=$!

# path, exit status, status, flags, contentLength, redirects, extra options (commas for blanks),
# event text ("-": none). Statuses are glob patterns.
while read -r path want_rc want_status want_flags want_length want_redirects options event; do
  [ "$options" == - ] && options=""
  options=${options//,/ }
  # shellcheck disable=SC2086  # the options are words
  fetch "$url$path" --proxy none $options
  what="$path: $(one_line)"
  [ "$rc" -eq "$want_rc" ] || fail "$path: exit $rc, not $want_rc: $what"
  # shellcheck disable=SC2053  # glob on purpose
  [[ "$(field status)" == $want_status ]] || fail "status, not $want_status: $what"
  [ "$(field flags)" == "$want_flags" ] || fail "flags, not $want_flags: $what"
  [ "$(field contentLength)" == "$want_length" ] || fail "contentLength, not $want_length: $what"
  [ "$(field redirects)" == "$want_redirects" ] || fail "redirects, not $want_redirects: $what"
  if [ "$event" == - ]; then
    grep -q '^event=' <<<"$out" && fail "no event expected: $what"
  else
    grep -qxF "event= $event" <<<"$out" || fail "event '$event' missing: $what"
  fi
  [ "$ms" -lt 5000 ] || fail "$path took $ms ms"
done <<'CASES'
/ok              0 200 Done                  23         0 -                 -
/no-separator    1 0   Done|Failed           0          0 -                 -
/long-status     1 *   Done|Failed           2          0 -                 -
/lying-length    1 200 Done|Failed           100000     0 -                 Response ended after 10 of 100000 bytes
/negative-length 0 200 Done                  0          0 -                 -
/gigabyte        1 200 Done|Failed           1073741824 0 -                 Response larger than 32 MiB
/endless-header  1 0   Done|Failed           0          0 -                 Response header longer than 32 KiB
/never-close     1 200 Done|Failed|TimedOut  23         0 --watchdog-ms,200 -
/loop            1 302 Done|Failed|Redirect  0          0 -                 -
/chain/0         1 302 Done|Failed|Redirect  0          5 -                 -
/relative/deep   0 200 Done                  23         1 -                 -
/other-port      0 200 Done                  23         1 -                 -
CASES

log=$tmp/http.log
seen() { grep -c "^$port GET $1 HTTP/1.0" "$log"; }
[ "$(seen /loop)" -eq 1 ] || fail "a redirect to the same URL was fetched again"
[ "$(seen '/chain/[0-5]')" -eq 6 ] && [ "$(seen /chain/6)" -eq 0 ] ||
  fail "five redirects followed, the sixth not: $(grep -o 'GET /chain/[0-9]*' "$log" | tr '\n' ' ')"
[ "$(seen /relative/ok)" -eq 1 ] || fail "the relative Location resolved against the directory"
grep -q "^$(cat "$tmp/second.port") GET /ok " "$log" || fail "the other port was not asked"

fetch "$url/ok" --proxy none --out "$tmp/ok.body"
[ "$(cat "$tmp/ok.body")" == "hostile server says ok" ] || fail "/ok body: $(cat "$tmp/ok.body")"
[ "$(field lastModified)" == "03 Mar 2026 10:20:30 GMT" ] || fail "/ok Last-Modified: $(one_line)"
fetch "$url/lying-length" --proxy none --out "$tmp/lying.body"
[ $(($(field received) - $(field bodyOffset))) -eq 10 ] && [ ! -e "$tmp/lying.body" ] ||
  fail "a body cut short of its length is not kept: $(one_line)"

# Memory: the 32 MiB cut must hold the response in place, not a copy of it as well.
peak_kb() {
  /usr/bin/time -f "peak=%M" -o "$tmp/time.txt" "$cli" fetch "$1" --proxy none >/dev/null 2>&1
  sed -n 's/^peak=//p' "$tmp/time.txt"
}
if [ -x /usr/bin/time ]; then
  base=$(peak_kb "$url/ok")
  big=$(peak_kb "$url/gigabyte")
  echo "peak memory: $base kB for /ok, $big kB for the endless body"
  [ $((big - base)) -lt 40960 ] || fail "peak memory $big kB for the endless body, $base kB for /ok"
else
  fail "/usr/bin/time missing (scripts/deps.sh installs the package time)"
fi

# The hostile server as a proxy that wants Digest only: one retry with Basic, then Failed.
fetch "$url/digest" --proxy http --proxy-host 127.0.0.1 --proxy-port "$port" \
  --proxy-user u --proxy-password 's3cret pw'
attempts=$(grep "^$port GET $url/digest HTTP/1.0" "$log")
[ "$rc" -eq 1 ] && [ "$(field status)" == 407 ] && [ "$(field flags)" == "Done|Failed" ] ||
  fail "Digest-only proxy: $(one_line)"
[ "$(wc -l <<<"$attempts")" -eq 2 ] || fail "Digest-only proxy asked $(wc -l <<<"$attempts") times"
grep -q 'Connection: close' <<<"$attempts" || fail "no Connection: close through the proxy"
[ "$(grep -c "Proxy-Authorization: Basic $(printf 'u:s3cret pw' | base64)" <<<"$attempts")" -eq 1 ] ||
  fail "the retry carries Basic credentials, the first attempt none: $attempts"
grep -qF 's3cret' <<<"$out" && fail "the password shows in the output"
fetch "$url/digest" --proxy http --proxy-host 127.0.0.1 --proxy-port "$port"
[ "$(grep -c "^$port GET $url/digest" "$log")" -eq 3 ] && [ "$(field status)" == 407 ] ||
  fail "without a user name a 407 is not retried: $(one_line)"

# Broken SOCKS proxies: kind, proxy type, user name ("-": none), the bytes the proxy got (hex, a
# prefix), event.
target4=$(printf '%04x' "$port")7f000001 target5=7f000001$(printf '%04x' "$port")
while read -r kind type user got event; do
  user_options=()
  [ "$user" != - ] && user_options=(--proxy-user "$user" --proxy-password pw)
  fetch "$url/ok" --proxy "$type" --proxy-host 127.0.0.1 --proxy-port "$(port_of "socks-$kind")" \
    "${user_options[@]}"
  what="$kind through $type: $(one_line)"
  [ "$rc" -eq 1 ] && [ "$(field flags)" == "Done|Failed" ] || fail "$what"
  grep -qxF "event= $event" <<<"$out" || fail "event '$event' missing: $what"
  [ "$ms" -lt 3000 ] || fail "$kind through $type took $ms ms"
  got=${got//TARGET4/$target4} got=${got//TARGET5/$target5}
  grep -q "got=$got" "$tmp/socks-$kind.log" || fail "$kind: the proxy got $(cat "$tmp/socks-$kind.log")"
done <<'CASES'
garbage   socks4 - 0401TARGET4           SOCKS proxy reply not understood
garbage   socks5 - 050100               SOCKS proxy reply not understood
short     socks4 - 0401TARGET4           SOCKS proxy closed the connection during the handshake
short     socks5 - 050100               SOCKS proxy closed the connection during the handshake
refuse4   socks4 - 0401TARGET4           SOCKS proxy refused the connection (91)
refuse5   socks5 - 05010005010001TARGET5 SOCKS proxy refused the connection (5)
noauth-ff socks5 u 05020002             SOCKS proxy accepts none of our methods (255)
CASES

# A user name or password too long for SOCKS5 ends the request before anything is sent.
long=$(printf 'a%.0s' $(seq 300))
for credentials in "$long pw" "u $long"; do
  read -r user password <<<"$credentials"
  fetch "$url/ok" --proxy socks5 --proxy-host 127.0.0.1 --proxy-port "$(port_of socks-long)" \
    --proxy-user "$user" --proxy-password "$password"
  [ "$rc" -eq 1 ] && [ "$(field flags)" == "Done|Failed" ] &&
    grep -qxF "event= SOCKS5 user name or password longer than 255 bytes" <<<"$out" ||
    fail "300-byte credentials: $(one_line)"
done
for _ in $(seq 40); do
  [ "$(grep -c . "$tmp/socks-long.log" 2>/dev/null)" -ge 2 ] && break
  sleep 0.05
done
[ "$(grep -c '^socks garbage got=$' "$tmp/socks-long.log")" -eq 2 ] ||
  fail "the proxy got bytes for too long credentials: $(cat "$tmp/socks-long.log")"

# No such host (the lookup goes to a port where nothing listens) and a refused connection.
fetch http://no-such-host.test/ --proxy none --dns 127.0.0.1:1
[ "$rc" -eq 1 ] && [ "$(field flags)" == "Done|Failed|HostNotFound|SocketError" ] &&
  grep -qxF 'event= Host Not Found' <<<"$out" && [ "$ms" -lt 5000 ] ||
  fail "unknown host ($ms ms): $(one_line)"
closed=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
fetch "http://127.0.0.1:$closed/" --proxy none
[ "$rc" -eq 1 ] && [ "$(field flags)" == "Done|Failed|SocketError" ] &&
  grep -qxF 'event=Connection refused (111)' <<<"$out" && [ "$ms" -lt 5000 ] ||
  fail "refused connection ($ms ms): $(one_line)"

wait "$trickle"
rc=$?
out=$(cat "$tmp/trickle.out")
trickle_ms=$(cat "$tmp/trickle.ms")
[ "$rc" -eq 0 ] && [ "$(field flags)" == Done ] && [ "$(cat "$tmp/trickle.body")" == "slow!" ] ||
  fail "a slow server that keeps sending: $(one_line)"
[ "$trickle_ms" -ge 4400 ] || fail "the trickle took only $trickle_ms ms: the watchdog was not tried"

[ "$failures" -eq 0 ] && echo "fetch_hostile: ok"
exit "$failures"
