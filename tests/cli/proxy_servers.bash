# Shared by the tests/cli/*.sh tests that start proxies on loopback.
# Needs: tmp (a folder of the test's own) and pids (the array of processes ended at exit).

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
# wait_port NAME PORT PID: until something accepts on PORT, while PID lives.
wait_port() {
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$2") 2>/dev/null && return 0
    kill -0 "$3" 2>/dev/null || break
    sleep 0.05
  done
  echo "FAIL: $1 did not start on port $2: $(cat "$tmp/$1.err" 2>/dev/null)"
  exit 1
}

# tinyproxy_on NAME [CONFIG LINES...]; its port goes to started_port.
tinyproxy_on() {
  local name=$1 port
  shift
  port=$(free_port)
  {
    printf 'Port %s\nListen 127.0.0.1\nAllow 127.0.0.1\nLogLevel Connect\nTimeout 30\n' "$port"
    printf 'LogFile "%s"\nPidFile "%s"\n' "$tmp/$name.log" "$tmp/$name.pid"
    printf '%s\n' "$@"
  } >"$tmp/$name.conf"
  tinyproxy -d -c "$tmp/$name.conf" >"$tmp/$name.err" 2>&1 &
  pids+=($!)
  wait_port "$name" "$port" $!
  started_port=$port
}
