# Shared by the tests/cli/service_*.sh tests: starting meridiana-service and other servers on
# loopback, each stopped by its pid when the test ends.
# Needs: stage (the staged programs), tmp (a folder of the test's own) and here (the tests'
# folder); sourced with the test's own arguments (STAGE FIXTURES), it takes whichever is unset
# from them.
: "${stage:=$1}"
: "${tmp:=$(mktemp -d)}"
: "${here:=$(dirname "$0")}"

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

# start_usgs_standin NAME CERT: an HTTPS stand-in of the USGS feed (usgs_standin.py) serving the
# certificate CERT of the test authority in $tmp/ca, its state in $tmp/NAME; its address goes to
# ${standin[NAME]}.
declare -A standin
start_usgs_standin() {
  mkdir -p "$tmp/$1"
  python3 "$here/usgs_standin.py" --state "$tmp/$1" --log "$tmp/$1.log" --port-file "$tmp/$1.port" \
    --cert "$tmp/ca/$2.pem" --key "$tmp/ca/$2.key" 2>"$tmp/$1.err" &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$tmp/$1.port" ] && break; sleep 0.05; done
  [ -s "$tmp/$1.port" ] || { echo "FAIL: stand-in $1 did not start: $(cat "$tmp/$1.err")"; exit 99; }
  standin[$1]=https://127.0.0.1:$(cat "$tmp/$1.port")
}
