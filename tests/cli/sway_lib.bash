# Shared by the tests that need a Wayland compositor: Debian's sway on its headless back-end,
# run as nobody when the test runs as root (which sway refuses). Needs tmp (a folder others may
# enter) and fail. Sets as_user (the command prefix that runs a tool as sway's user).
as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
sway_pid=

# start_sway CONFIG: sway with that configuration text; sets sway_run (its runtime folder, its
# user's alone), SWAYSOCK (exported) and wayland (the full path of its Wayland socket, which
# root reaches whatever the folder's owner).
start_sway() {
  sway_run=$tmp/run$RANDOM
  mkdir -p "$sway_run" && printf '%s\n' "$1" >"$sway_run/config" && chmod 700 "$sway_run"
  [ ${#as_user[@]} -gt 0 ] && chown -R 65534:65534 "$sway_run"
  env -i PATH=/usr/bin:/bin HOME="$sway_run" XDG_RUNTIME_DIR="$sway_run" WLR_BACKENDS=headless \
    WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 "${as_user[@]}" sway -c "$sway_run/config" >"$sway_run/log" 2>&1 &
  sway_pid=$!
  SWAYSOCK= wayland=
  for _ in $(seq 200); do
    SWAYSOCK=$(ls "$sway_run"/sway-ipc.*.sock 2>/dev/null | head -n1)
    wayland=$(ls "$sway_run"/wayland-[0-9] 2>/dev/null | head -n1)
    [ -n "$SWAYSOCK" ] && [ -n "$wayland" ] && break
    sleep 0.05
  done
  export SWAYSOCK
  [ -n "$SWAYSOCK" ] && [ -n "$wayland" ] || fail "sway did not start: $(cat "$sway_run/log")"
}
stop_sway() { [ -n "$sway_pid" ] && kill "$sway_pid" 2>/dev/null && wait "$sway_pid" 2>/dev/null; sway_pid=; }
