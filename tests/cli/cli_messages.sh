#!/usr/bin/env bash
# What meridiana-cli says when something is wrong must name the cause, so a script (or the
# person reading its log) can act on it: the missing file, the address that is not one, the
# unknown city alone, the system's own name of a socket error, and every option in the usage.
set -u
source "$(dirname "$0")/cli_lib.bash"
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config

# A templates file that is not there, or not a file: named, with the reason; exit 1.
for missing in "$tmp/nonexistent.ini:No such file or directory" "$tmp:not a readable file"; do
  path=${missing%%:*} reason=${missing#*:}
  err=$("$cli" links Paris --templates "$path" 2>&1 >/dev/null)
  status=$?
  [ "$status" -eq 1 ] || fail "templates $path: exit $status"
  grep -qF "templates file '$path': $reason" <<<"$err" || fail "templates $path: '$err'"
done

# Not an address: said so at once (a usage error, 2), before any lookup or connection.
for bad in garbage "http://" "ftp://127.0.0.1:1" "http://127.0.0.1:0" "http://127.0.0.1:65536" \
  "http://127.0.0.1:80x" "http://:8613" "http://a b"; do
  for command in quakes clouds; do
    err=$("$cli" "$command" --service "$bad" 2>&1 >/dev/null)
    status=$?
    [ "$status" -eq 2 ] || fail "$command --service '$bad': exit $status"
    grep -qF "'$bad' is not a service address" <<<"$err" || fail "$command --service '$bad': '$err'"
  done
done

# A refused connection in this system's words, with its number.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
err=$("$cli" quakes --service "http://127.0.0.1:$port" 2>&1 >/dev/null)
grep -qx 'Connection refused (111)' <<<"$err" || fail "refused quakes: '$err'"
grep -q Winsock <<<"$err" && fail "no Winsock on this system: '$err'"
out=$("$cli" fetch "http://127.0.0.1:$port/" 2>/dev/null)
grep -qx 'event=Connection refused (111)' <<<"$out" || fail "refused fetch: '$out'"

# An unknown city to mark: the name alone, not the output file's name beside it.
err=$("$cli" render --overlays marked --mark Nowhereville --out "$tmp/out.png" 2>&1 >/dev/null)
[ "$err" == "meridiana-cli render: no city matches 'Nowhereville'" ] || fail "unknown mark: '$err'"
[ ! -e "$tmp/out.png" ] || fail "unknown mark: a file was written"

# The general usage lists every option render's own usage does.
render_usage=$("$cli" render --no-such-option x 2>&1 >/dev/null)
help_line=$("$cli" --help | grep '^  render ')
options=$(grep -o -- '--[a-z-]*' <<<"$render_usage" | sort -u | grep -vx -- '--no-such-option')
[ "$(wc -l <<<"$options")" -ge 12 ] || fail "render's usage lists too few options: $options"
for option in $options; do
  grep -qF -- "$option " <<<"$help_line" || fail "--help's render line lacks $option"
done

[ "$failures" -eq 0 ] && echo "cli messages: ok"
exit "$failures"
