#!/usr/bin/env bash
# meridiana-cli fetch without --proxy takes the desktop's proxy: GNOME's org.gnome.system.proxy
# in manual mode (its ignore-hosts going direct), none in mode none, a refusal in mode auto; read
# through gsettings with the real dconf back-end on a session bus of the test's own. The proxy is
# a recorder on loopback that answers every request itself.
set -u
cli=$1/meridiana-cli
tmp=$(mktemp -d)
recorder=
cleanup() {
  [ -n "$recorder" ] && kill "$recorder" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for tool in dbus-run-session gsettings; do
  command -v $tool >/dev/null || { echo "FAIL: $tool is missing (scripts/deps.sh installs it)"; exit 1; }
done

python3 - "$tmp" <<'PY' &
import socket, sys
folder = sys.argv[1]
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(8)
open(folder + "/port.tmp", "w").write(str(server.getsockname()[1]))
import os; os.rename(folder + "/port.tmp", folder + "/port")
while True:
    connection, _ = server.accept()
    request = b""
    while b"\r\n\r\n" not in request:
        chunk = connection.recv(4096)
        if not chunk:
            break
        request += chunk
    with open(folder + "/requests", "ab") as log:
        log.write(request.split(b"\r\n")[0] + b"\n")
    connection.sendall(b"HTTP/1.0 200 OK\r\n\r\nthrough the desktop's proxy")
    connection.close()
PY
recorder=$!
for _ in $(seq 100); do [ -s "$tmp/port" ] && break; sleep 0.05; done
port=$(cat "$tmp/port")

unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY ftp_proxy FTP_PROXY
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share
export XDG_RUNTIME_DIR=$tmp/run GSETTINGS_BACKEND=dconf
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

export cli port tmp
dbus-run-session -- bash -c '
  gsettings set org.gnome.system.proxy mode manual
  gsettings set org.gnome.system.proxy.http host 127.0.0.1
  gsettings set org.gnome.system.proxy.http port "$port"
  [ "$(gsettings get org.gnome.system.proxy mode)" = "'"'"'manual'"'"'" ] || echo "not-kept: mode"
  "$cli" fetch http://origin.invalid/page --dns 127.0.0.1:1 --out "$tmp/body" >"$tmp/manual.out"
  echo "manual=$?"
  # GNOME'"'"'s own ignore-hosts (localhost, 127.0.0.0/8, ::1) go direct: to the recorder itself.
  "$cli" fetch "http://127.0.0.1:$port/near" >"$tmp/near.out"
  echo "near=$?"
  gsettings set org.gnome.system.proxy mode none
  "$cli" fetch http://origin.invalid/page --dns 127.0.0.1:1 >"$tmp/none.out"
  echo "none=$?"
  gsettings set org.gnome.system.proxy mode auto
  gsettings set org.gnome.system.proxy autoconfig-url "http://127.0.0.1:$port/wpad.dat"
  "$cli" fetch http://origin.invalid/page --dns 127.0.0.1:1 >"$tmp/auto.out"
  echo "auto=$?"
' >"$tmp/session.out" 2>"$tmp/session.err"

grep -q "not-kept" "$tmp/session.out" && fail "dconf did not keep the setting: $(cat "$tmp/session.err")"
grep -qx "manual=0" "$tmp/session.out" || fail "manual mode: $(cat "$tmp/session.out" "$tmp/manual.out" "$tmp/session.err")"
[ "$(cat "$tmp/body" 2>/dev/null)" = "through the desktop's proxy" ] || fail "body through the proxy"
[ "$(head -n1 "$tmp/requests" 2>/dev/null)" = "GET http://origin.invalid/page HTTP/1.0" ] ||
  fail "the proxy got: $(cat "$tmp/requests" 2>/dev/null)"
# Mode "none": no proxy, so the name is looked up (and not found by the dead name server).
grep -qx "none=1" "$tmp/session.out" || fail "mode none: $(cat "$tmp/none.out")"
grep -qx "event= Host Not Found" "$tmp/none.out" || fail "mode none goes direct: $(cat "$tmp/none.out")"
grep -qx "near=0" "$tmp/session.out" || fail "ignore-hosts: $(cat "$tmp/near.out")"
[ "$(sed -n 2p "$tmp/requests" 2>/dev/null)" = "GET /near HTTP/1.0" ] ||
  fail "ignore-hosts did not go direct: $(cat "$tmp/requests" 2>/dev/null)"
[ "$(wc -l <"$tmp/requests")" -eq 2 ] || fail "the proxy was used in mode none or auto"
# Mode "auto": a configuration script the client cannot run stops the request, saying so.
grep -qx "auto=1" "$tmp/session.out" || fail "mode auto: $(cat "$tmp/auto.out")"
grep -qxF "event= The desktop's proxy auto-config http://127.0.0.1:$port/wpad.dat cannot be used" \
  "$tmp/auto.out" || fail "mode auto says nothing: $(cat "$tmp/auto.out")"
exit $failures
