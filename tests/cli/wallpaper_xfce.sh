#!/usr/bin/env bash
# meridiana-cli wallpaper on XFCE: xfconfd from Debian on a session bus of the test's own, with a
# picture on two monitors (one of them the user's own "Wallpaper.bmp", not the map's) and a
# placement on one, and forty more monitors with long picture paths (more than 10,000 bytes to
# keep). on shows the map on all, scaled; off gives every picture and the one placement back and
# removes the placement the map added.
set -u
source "$(dirname "$0")/cli_lib.bash"
for tool in dbus-run-session xfconf-query; do
  command -v $tool >/dev/null || { echo "FAIL: $tool is missing (scripts/deps.sh installs it)"; exit 1; }
done
export HOME=$tmp XDG_CONFIG_HOME=$tmp/.config XDG_DATA_HOME=$tmp/.local/share XDG_RUNTIME_DIR=$tmp/run
export XDG_CURRENT_DESKTOP=XFCE QT_QPA_PLATFORM= DISPLAY= cli
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
dbus-run-session -- bash -c '
  q() { xfconf-query -c xfce4-desktop "$@"; }
  one=/backdrop/screen0/monitor0/workspace0; two=/backdrop/screen0/monitorHDMI-1/workspace0
  q -p $one/last-image -n -t string -s /home/me/Wallpaper.bmp
  long=/home/me/$(printf "a-long-folder-name/%.0s" $(seq 10))
  for i in $(seq 40); do
    q -p /backdrop/screen0/monitorDP-$i/workspace0/last-image -n -t string -s "$long/picture-$i.jpg"
  done
  q -p $one/image-style -n -t int -s 5
  q -p $two/last-image -n -t string -s "/home/me/other picture.png"
  "$cli" wallpaper on --at 2026-06-21T12:00:00Z || echo "on failed"
  echo "on: $(q -p $one/last-image) | $(q -p $two/last-image) | $(q -p $one/image-style) $(q -p $two/image-style)"
  # The settings lost the mode while the map shows (a crash before a save): on must not take
  # the map for the user'"'"'s wallpaper.
  sed -i "s/^wallpaper=1/wallpaper=0/" "$XDG_CONFIG_HOME/quillary/current-user.ini"
  "$cli" wallpaper on || echo "on over the map failed"
  "$cli" wallpaper off || echo "off failed"
  echo "off: $(q -p $one/last-image) | $(q -p $two/last-image) | $(q -p $one/image-style)"
  q -p $two/image-style >/dev/null 2>&1 && echo "left: the added placement"
  for i in $(seq 40); do
    [ "$(q -p /backdrop/screen0/monitorDP-$i/workspace0/last-image)" = "$long/picture-$i.jpg" ] ||
      echo "monitor DP-$i is not back: $(q -p /backdrop/screen0/monitorDP-$i/workspace0/last-image 2>&1)"
  done
' >"$tmp/out" 2>"$tmp/err"
user=$tmp/.local/share/meridiana
grep -q "failed\|^left" "$tmp/out" && fail "$(cat "$tmp/out" "$tmp/err")"
grep -qx "on: $user/Wallpaper.bmp | $user/Wallpaper.bmp | 4 4" "$tmp/out" || fail "on: $(grep '^on' "$tmp/out") $(cat "$tmp/err")"
grep -qx "off: /home/me/Wallpaper.bmp | /home/me/other picture.png | 5" "$tmp/out" || fail "off: $(grep '^off' "$tmp/out")"
grep -q "^monitor" "$tmp/out" && fail "$(grep -c "^monitor" "$tmp/out") monitors not back: $(grep -m1 "^monitor" "$tmp/out")"
exit $failures
