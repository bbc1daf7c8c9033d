# Shared by the tests/cli/service_*.sh tests: starting meridiana-service and other servers on
# loopback, each stopped by its pid when the test ends.
# Needs: stage (the staged programs), tmp (a folder of the test's own).

pids=()
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  [ -n "${KEEP_TMP:-}" ] || rm -rf "$tmp"
}
trap cleanup EXIT

stage=$(cd "$stage" && pwd)
service=$stage/meridiana-service
body_file=$tmp/body

# start_service NAME ARGS...: meridiana-service on a free port; its address goes to
# ${base[NAME]} (http://127.0.0.1:PORT) and its pid to ${spid[NAME]}.
declare -A base spid
start_service() {
  local name=$1
  shift
  "$service" --listen 127.0.0.1:0 "$@" >"$tmp/$name.out" 2>"$tmp/$name.err" &
  spid[$name]=$!
  pids+=($!)
  for _ in $(seq 100); do
    [ -s "$tmp/$name.out" ] && break
    kill -0 "${spid[$name]}" 2>/dev/null || break
    sleep 0.05
  done
  local line
  line=$(head -n1 "$tmp/$name.out")
  [[ "$line" =~ ^listening\ on\ 127\.0\.0\.1:([0-9]+)$ ]] || {
    echo "FAIL: service $name did not start: '$line' $(cat "$tmp/$name.err")"
    exit 99
  }
  base[$name]=http://127.0.0.1:${BASH_REMATCH[1]}
}

# get URL [CURL ARGS...]: sets status, type and body_file ($tmp/body) of one request.
get() {
  local url=$1
  shift
  local meta
  meta=$(curl -s -g -o "$tmp/body" -w '%{http_code} %{content_type}' --max-time 10 "$@" "$url")
  status=${meta%% *}
  type=${meta#* }
  body_file=$tmp/body
}

# A free loopback port (free when asked; a server that loses the race fails to start).
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

cloud=/clouds/cloudv2.php?s=ID\&i=MID\&q=1
