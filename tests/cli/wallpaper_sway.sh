#!/usr/bin/env bash
# meridiana-cli wallpaper on sway: Debian's sway on its headless back-end (run as nobody when the
# test runs as root, which sway refuses), with the user's picture in its configuration. on makes
# sway paint the map with swaybg, fitted; refresh the other file name; off the user's picture
# and mode again, or a colour when that picture is gone. A sway with no background at all gets
# none back; without sway, on fails.
set -u
cli=$1/meridiana-cli
tmp=$(mktemp -d)
chmod 755 "$tmp"  # sway and swaybg read the pictures
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
source "$(dirname "$0")/sway_lib.bash"
trap 'stop_sway; rm -rf "$tmp"' EXIT
for tool in sway swaybg; do
  command -v $tool >/dev/null || { echo "FAIL: $tool is missing (scripts/deps.sh installs it)"; exit 1; }
done
mine="$tmp/Pictures/lake at dawn.png"
mkdir -p "$tmp/Pictures" && cp "$2/images/png_grey4.png" "$mine" && chmod -R a+rX "$tmp/Pictures"

# What swaybg paints: its arguments after the program name, one line per process.
painted() {
  local owner; owner=$(stat -c %u "$SWAYSOCK")
  for p in $(pgrep -u "$owner" -x swaybg); do  # ended ones not yet reaped have no arguments
    args=$(tr '\0' ' ' </proc/$p/cmdline 2>/dev/null | sed '1s/^[^ ]* //; $s/ $//')
    [ -n "$args" ] && echo "$args"
  done
}
export HOME=$tmp XDG_CONFIG_HOME=$tmp/.config XDG_DATA_HOME=$tmp/.local/share XDG_CURRENT_DESKTOP=sway
export QT_QPA_PLATFORM= DISPLAY=
user=$tmp/.local/share/meridiana

start_sway "output * bg \"$mine\" fill"
for _ in $(seq 60); do [ -n "$(painted)" ] && break; sleep 0.05; done
[ "$(painted)" = "-o * -i $mine -m fill" ] || fail "sway's own background: $(painted)"
"$cli" wallpaper on --at 2026-06-21T12:00:00Z || fail "on: exit status $?"
[ "$(painted)" = "-o * -i $user/Wallpaper.bmp -m fit" ] || fail "on: $(painted)"
"$cli" wallpaper refresh --at 2026-06-21T13:00:00Z || fail "refresh: exit status $?"
[ "$(painted)" = "-o * -i $user/Wallpaper-2.bmp -m fit" ] || fail "refresh: $(painted)"
"$cli" wallpaper on || fail "second on: exit status $?"
"$cli" wallpaper off || fail "off: exit status $?"
for _ in $(seq 60); do [ "$(painted)" = "-o * -i $mine -m fill" ] && break; sleep 0.05; done
[ "$(painted)" = "-o * -i $mine -m fill" ] || fail "off: $(painted)"
# The user's picture goes away while the map is shown: off still ends the mode, with a colour.
"$cli" wallpaper on || fail "on again: exit status $?"
mv "$mine" "$mine.away"
"$cli" wallpaper off || fail "off with the picture gone: exit status $?"
for _ in $(seq 60); do case "$(painted)" in *Wallpaper*) sleep 0.05 ;; *) break ;; esac; done
case "$(painted)" in *Wallpaper* | "") fail "off with the picture gone: $(painted)" ;; esac
mv "$mine.away" "$mine"
stop_sway

# No background configured: off ends the swaybg that painted the map.
start_sway "# no background"
"$cli" wallpaper on --at 2026-06-21T12:00:00Z || fail "on without a background: exit status $?"
case "$(painted)" in "-o * -i $user/Wallpaper.bmp -m fit" | "-o * -i $user/Wallpaper-2.bmp -m fit") ;;
  *) fail "on without a background: $(painted)" ;; esac
"$cli" wallpaper off || fail "off without a background: exit status $?"
for _ in $(seq 60); do [ -z "$(painted)" ] && break; sleep 0.05; done
[ -z "$(painted)" ] || fail "off without a background: $(painted)"
stop_sway

# Pictures whose names a shell would act on: sway expands the path it is given with wordexp, so
# each must come back as it is, and nothing in it may run. The user's picture here is painted by
# a swaybg of the test's own, as sway would paint it.
weird_dir="$tmp/Pictures/sunset\$(touch ~"
mkdir -p "$weird_dir"
for name in "$weird_dir/PWNED).png" "$tmp/Pictures/Beach (1).png" \
  "$tmp/Pictures/it's \`touch PWNED\` \"q\" [1]  x\\y;a,b"$'\n'"z \$HOME.png"; do
  cp "$2/images/png_grey4.png" "$name" && chmod -R a+rX "$tmp/Pictures"
  start_sway "# no background"
  env XDG_RUNTIME_DIR="$sway_run" WAYLAND_DISPLAY=wayland-1 "${as_user[@]}" \
    swaybg -o '*' -i "$name" -m fill >/dev/null 2>&1 &
  theirs=$!
  for _ in $(seq 60); do [ "$(painted)" = "-o * -i $name -m fill" ] && break; sleep 0.05; done
  [ "$(painted)" = "-o * -i $name -m fill" ] || fail "swaybg of the test for $name: $(painted)"
  export XDG_CONFIG_HOME=$tmp/.config$RANDOM  # the mode off for each
  "$cli" wallpaper on --at 2026-06-21T12:00:00Z || fail "on over $name: exit status $?"
  kill "$theirs"; wait "$theirs" 2>/dev/null
  "$cli" wallpaper off || fail "off back to $name: exit status $?"
  for _ in $(seq 60); do [ "$(painted)" = "-o * -i $name -m fill" ] && break; sleep 0.05; done
  [ "$(painted)" = "-o * -i $name -m fill" ] || fail "off back to $name: $(painted)"
  stop_sway
done
ran=$(find "$tmp" -name 'PWNED*' ! -path "$tmp/Pictures/*")
[ -z "$ran" ] || fail "a picture's name was run as a command: $ran"
export XDG_CONFIG_HOME=$tmp/.config

# No sway: a clear failure, and the mode stays off.
status=0
HOME=$tmp/none XDG_CONFIG_HOME=$tmp/none/.config XDG_DATA_HOME=$tmp/none/share SWAYSOCK= \
  "$cli" wallpaper on 2>"$tmp/none.err" || status=$?
[ "$status" -eq 1 ] && grep -q "is sway running" "$tmp/none.err" || fail "no sway: $status $(cat "$tmp/none.err")"
grep -q "^wallpaper=1" "$tmp/none/.config/quillary/current-user.ini" 2>/dev/null && fail "mode on after a failure"
exit $failures
