#!/usr/bin/env bash
# Typed input, refused or found: a numeric option out of range or not a number names the option
# and what it wants (status 2); a city name not exact is found by the search when one city is
# the clear best, else refused with its candidates (status 1); --version and COMMAND --help
# answer (status 0), the window's --version without a display; a kept proxy of type None goes
# direct though its host and port stay kept.
set -u
source "$(dirname "$0")/cli_lib.bash"
stage=$1
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config

# status | text the output holds | arguments (words split as the shell splits them)
while IFS='|' read -r want says args; do
  eval "set -- $args"
  out=$("$cli" "$@" 2>&1)
  status=$?
  [ "$status" -eq "$want" ] || fail "$args: exit $status, not $want: $out"
  grep -qF -- "$says" <<<"$out" || fail "$args: '$out' lacks '$says'"
done <<'CASES'
2|fetch: --proxy-port wants a whole number from 1 to 65535, not 'abc'|fetch http://127.0.0.1:1/ --proxy-port abc
2|--proxy-port wants a whole number from 1 to 65535, not '99999'|fetch http://127.0.0.1:1/ --proxy-port 99999
2|--watchdog-ms wants a whole number|fetch http://127.0.0.1:1/ --watchdog-ms 5s
2|clouds: --frames wants a whole number from 0 to 12, not '99'|clouds --frames 99
2|wallpaper: --width wants a whole number from 0 to 16384, not '999999'|wallpaper on --width 999999
2|--limit wants a whole number from 1 to 100000, not '0'|search paris --limit 0
2|plan: --hours wants H-H, hours from 0 to 24 with the first before the second, such as 9-17, not '25-3'|plan --cities Paris --hours 25-3
2|image: --width wants a whole number from 1 to 65536, not 'abc'|image a b.bmp --width abc
1|search: no city matches 'xqzv'|search xqzv
1|city: 'cordoba' matches several cities; did you mean one of:|city cordoba
1|  Córdoba (Andalusia, Spain)|plan --cities Paris,cordoba
1|clocks: no city matches 'Nowhereville'|clocks --cities Nowhereville
1|links: 'cordoba' matches several|links cordoba
1|moon: 'springf' matches several|moon --city springf
1|render: several cities match 'cordoba'; Córdoba|render --overlays marked --mark cordoba --out $tmp/m.png
0|city=São Paulo|city "sao paulo"
0|city=Reykjavík|city Reykjavik
0|	Reykjavík	Zürich	common|plan --cities reykj,zurich --date 2026-12-10
0|usage: meridiana-cli render [--at ISO]|render --help
0|usage: meridiana-cli search TEXT [--limit N]|search --help
CASES

[ "$("$cli" search "SAO pa" --limit 1)" == $'name\tstate\tcountry\tlatitude\tlongitude\nSão Paulo\tSão Paulo\tBrazil\t-23.5475\t-46.6361' ] ||
  fail "search TSV: $("$cli" search "SAO pa" --limit 1)"

for program in meridiana-cli meridiana-service meridiana; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$stage/$program" --version 2>&1)
  status=$?
  [ "$status" -eq 0 ] && grep -Eqx "$program [0-9]+\.[0-9]+\.[0-9]+" <<<"$out" ||
    fail "$program --version: exit $status, '$out'"
done

# A proxy kept with type None (Preferences' None after a proxy): fetch goes direct, and the
# listener on the kept port sees nothing.
cd "$tmp"  # the web server serves this folder
python3 - "$tmp/ports" 2>/dev/null <<'PY' &
import http.server, socket, sys, threading
proxy = socket.socket(); proxy.bind(("127.0.0.1", 0)); proxy.listen()
web = http.server.HTTPServer(("127.0.0.1", 0), http.server.SimpleHTTPRequestHandler)
open(sys.argv[1] + ".tmp", "w").write("%d %d\n" % (proxy.getsockname()[1], web.server_port))
__import__("os").rename(sys.argv[1] + ".tmp", sys.argv[1])
def count():
    while True:
        proxy.accept(); open(sys.argv[1] + ".seen", "a").write("x")
threading.Thread(target=count, daemon=True).start()
web.serve_forever()
PY
servers=$!
for _ in $(seq 100); do [ -e "$tmp/ports" ] && break; sleep 0.05; done
read -r proxy_port web_port <"$tmp/ports"
mkdir -p "$XDG_CONFIG_HOME/quillary"
printf '[Software\\Quillary\\Common]\nproxy=127.0.0.1\nport=%s\ntype=0\n' "$proxy_port" \
  >"$XDG_CONFIG_HOME/quillary/local-machine.ini"
out=$("$cli" fetch "http://127.0.0.1:$web_port/" --watchdog-ms 5000 2>&1)
grep -qx 'status=200' <<<"$out" || fail "kept None: not fetched directly: $out"
[ ! -e "$tmp/ports.seen" ] || fail "kept None: the old proxy port was connected to"
kill "$servers"
wait "$servers" 2>/dev/null

[ "$failures" -eq 0 ] || exit 1
echo PASS
