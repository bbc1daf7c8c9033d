#!/usr/bin/env bash
# meridiana-cli wallpaper on GNOME, Cinnamon and MATE: gsettings with the real dconf back-end and
# the desktops' schemas, on a session bus of the test's own, HOME and XDG folders in a temporary
# directory. The user's picture is a value they set, the placement one they never touched: on
# keeps both and shows the map, refresh writes the other file name, a second on keeps what the
# first kept, off sets the picture back and resets the placement to its default.
set -u
source "$(dirname "$0")/cli_lib.bash"
for tool in dbus-run-session gsettings dconf; do
  command -v $tool >/dev/null || { echo "FAIL: $tool is missing (scripts/deps.sh installs it)"; exit 1; }
done
export cli
run_desktop() { # XDG_CURRENT_DESKTOP schema picture-key dconf-folder uri|path
  local home=$tmp/${1//:/_}  # no ":" in the path, which a file URI would escape
  mkdir -p "$home/run" && chmod 700 "$home/run"
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_RUNTIME_DIR=$home/run \
    XDG_CURRENT_DESKTOP=$1 GSETTINGS_BACKEND=dconf QT_QPA_PLATFORM= DISPLAY= \
    dbus-run-session -- bash -c '
      schema=$1; key=$2; folder=$3; form=$4
      mine="/home/me/My Picture.jpg"; [ "$form" = uri ] && mine="file:///home/me/My%20Picture.jpg"
      gsettings set $schema $key "$mine"
      before=$(gsettings get $schema $key)
      "$cli" wallpaper on --at 2026-06-21T12:00:00Z || echo "on failed"
      echo "on: $(gsettings get $schema $key) $(gsettings get $schema picture-options)"
      "$cli" wallpaper refresh --at 2026-06-21T13:00:00Z || echo "refresh failed"
      echo "refresh: $(gsettings get $schema $key)"
      "$cli" wallpaper on --width 512 || echo "second on failed"
      echo "second: $(gsettings get $schema $key)"
      "$cli" wallpaper off || echo "off failed"
      echo "off: $(gsettings get $schema $key)"
      echo "options: [$(dconf read $folder/picture-options)]"
      [ "$(gsettings get $schema $key)" = "$before" ] && echo "picture back"
    ' _ "$2" "$3" "$4" "$5" >"$home/out" 2>"$home/err"
  local user=$home/.local/share/meridiana
  grep -q "failed" "$home/out" && fail "$1: $(cat "$home/out" "$home/err")"
  grep -q "^on: '.*$user/Wallpaper.bmp' 'scaled'$" "$home/out" || fail "$1 on: $(grep '^on' "$home/out") $(cat "$home/err")"
  grep -q "^refresh: '.*$user/Wallpaper-2.bmp'$" "$home/out" || fail "$1 refresh: $(grep '^refresh' "$home/out")"
  grep -q "^off:" "$home/out" && grep -qx "picture back" "$home/out" || fail "$1 off: $(cat "$home/out")"
  grep -qx "options: \[\]" "$home/out" || fail "$1: the placement is not back at its default: $(grep options "$home/out")"
  [ ! -e "$user/Wallpaper-2.bmp" ] || [ ! -e "$user/Wallpaper.bmp" ] || fail "$1: both files are left"
  [ -e "$user/Wallpaper.bmp" ] && [ "$(stat -c %s "$user/Wallpaper.bmp")" -eq $((54 + 1024 + 512 * 3 * 256)) ] ||
    fail "$1: the second on's 512-pixel map: $(ls -l "$user")"
}
run_desktop ubuntu:GNOME org.gnome.desktop.background picture-uri /org/gnome/desktop/background uri
run_desktop X-Cinnamon org.cinnamon.desktop.background picture-uri /org/cinnamon/desktop/background uri
run_desktop MATE org.mate.background picture-filename /org/mate/desktop/background path

# No session bus: gsettings says yes and keeps nothing; the read-back catches it.
status=0; HOME=$tmp/nobus XDG_CONFIG_HOME=$tmp/nobus/.config XDG_DATA_HOME=$tmp/nobus/share \
  XDG_RUNTIME_DIR=$tmp/nobus XDG_CURRENT_DESKTOP=GNOME GSETTINGS_BACKEND=dconf \
  DBUS_SESSION_BUS_ADDRESS=unix:path=$tmp/no-bus "$cli" wallpaper on 2>"$tmp/nobus.err" || status=$?
[ "$status" -eq 1 ] && grep -q "did not keep" "$tmp/nobus.err" || fail "no session bus: $status $(cat "$tmp/nobus.err")"

# A desktop without a back-end is a clear failure, and nothing is kept as if it had worked.
status=0; HOME=$tmp/none XDG_CONFIG_HOME=$tmp/none/.config XDG_DATA_HOME=$tmp/none/share XDG_CURRENT_DESKTOP=Hyprland \
  "$cli" wallpaper on 2>"$tmp/none.err" || status=$?
[ "$status" -eq 1 ] && grep -q "does not know this desktop" "$tmp/none.err" || fail "unknown desktop: $status $(cat "$tmp/none.err")"
grep -q "^wallpaper=1" "$tmp/none/.config/quillary/current-user.ini" 2>/dev/null && fail "mode on after a failure"
exit $failures
