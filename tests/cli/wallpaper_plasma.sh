#!/usr/bin/env bash
# meridiana-cli wallpaper on KDE Plasma, against a stand-in for plasmashell on a session bus of
# the test's own that runs the scripts it is sent. Two desktops: one showing a picture cropped,
# one a plain colour. on shows the map on both, scaled with its aspect kept; refreshes alternate
# the file name; a second on keeps what the first kept; off gives each desktop its plug-in,
# picture and fill mode back. A shell that does not keep the map, or none at all, is a failure.
set -u
stage=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
command -v dbus-run-session >/dev/null || { echo "FAIL: dbus-run-session is missing (scripts/deps.sh installs it)"; exit 1; }
export HOME=$tmp XDG_CONFIG_HOME=$tmp/.config XDG_DATA_HOME=$tmp/.local/share XDG_RUNTIME_DIR=$tmp/run
export XDG_CURRENT_DESKTOP=KDE QT_QPA_PLATFORM= DISPLAY= stage
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cat >"$tmp/state.json" <<'EOF'
{"desktops": [
  {"id": 1, "plugin": "org.kde.image",
   "config": {"Wallpaper/org.kde.image/General": {"Image": "file:///home/me/sky \"at\" dusk.jpg", "FillMode": "2"}}},
  {"id": 7, "plugin": "org.kde.color", "config": {"Wallpaper/org.kde.color/General": {"Color": "#336699"}}}]}
EOF
# What the desktops show: "id plug-in picture fill" per desktop.
show() {
  python3 -c '
import json, sys
for d in json.load(open(sys.argv[1]))["desktops"]:
    g = d["config"].get("Wallpaper/org.kde.image/General", {})
    print(d["id"], d["plugin"], g.get("Image", "-"), g.get("FillMode", "-"))' "$tmp/state.json" | tr "\n" "|"
}
export -f show; export tmp
dbus-run-session -- bash -c '
  "$stage/fake_plasmashell" "$tmp/state.json" "$tmp/record.txt" & shell=$!
  for i in $(seq 50); do gdbus introspect --session --dest org.kde.plasmashell --object-path /PlasmaShell >/dev/null 2>&1 && break; sleep 0.1; done
  "$stage/meridiana-cli" wallpaper on --at 2026-06-21T12:00:00Z || echo "on failed"
  echo "on: $(show)"
  "$stage/meridiana-cli" wallpaper refresh --at 2026-06-21T13:00:00Z || echo "refresh failed"
  echo "refresh: $(show)"
  "$stage/meridiana-cli" wallpaper refresh --at 2026-06-21T14:00:00Z || echo "refresh failed"
  echo "again: $(show)"
  "$stage/meridiana-cli" wallpaper on || echo "second on failed"
  "$stage/meridiana-cli" wallpaper off || echo "off failed"
  echo "off: $(show)"
  kill $shell
' >"$tmp/out" 2>"$tmp/err"
map=file://$tmp/.local/share/meridiana
grep -q "failed" "$tmp/out" && fail "$(cat "$tmp/out" "$tmp/err")"
grep -qxF "on: 1 org.kde.image $map/Wallpaper.bmp 1|7 org.kde.image $map/Wallpaper.bmp 1|" "$tmp/out" ||
  fail "on: $(grep '^on' "$tmp/out") $(cat "$tmp/err")"
grep -qxF "refresh: 1 org.kde.image $map/Wallpaper-2.bmp 1|7 org.kde.image $map/Wallpaper-2.bmp 1|" "$tmp/out" ||
  fail "refresh: $(grep '^refresh' "$tmp/out")"
grep -qxF "again: 1 org.kde.image $map/Wallpaper.bmp 1|7 org.kde.image $map/Wallpaper.bmp 1|" "$tmp/out" ||
  fail "second refresh: $(grep '^again' "$tmp/out")"
grep -qxF 'off: 1 org.kde.image file:///home/me/sky "at" dusk.jpg 2|7 org.kde.color  |' "$tmp/out" ||
  fail "off: $(grep '^off' "$tmp/out")"
grep -q '"Color": "#336699"' "$tmp/state.json" || fail "the colour desktop lost its colour: $(cat "$tmp/state.json")"
grep -q "evaluateScript\|desktops()" "$tmp/record.txt" || fail "no script reached the shell"

# A shell that takes the script and keeps nothing: the read-back fails, the mode stays off.
python3 -c '
import json, sys
s = json.load(open(sys.argv[1])); s["frozen"] = True; json.dump(s, open(sys.argv[1], "w"))' "$tmp/state.json"
status=0
dbus-run-session -- bash -c '
  "$stage/fake_plasmashell" "$tmp/state.json" "$tmp/record.txt" & shell=$!
  for i in $(seq 50); do gdbus introspect --session --dest org.kde.plasmashell --object-path /PlasmaShell >/dev/null 2>&1 && break; sleep 0.1; done
  "$stage/meridiana-cli" wallpaper on; status=$?; kill $shell; exit $status' 2>"$tmp/frozen.err" || status=$?
[ "$status" -eq 1 ] && grep -q "did not keep the map" "$tmp/frozen.err" || fail "frozen shell: $status $(cat "$tmp/frozen.err")"
grep -q "^wallpaper=1" "$tmp/.config/quillary/current-user.ini" && fail "mode on after a failed on"

# No plasmashell on the bus.
status=0
dbus-run-session -- "$stage/meridiana-cli" wallpaper on 2>"$tmp/none.err" || status=$?
[ "$status" -eq 1 ] && grep -q "org.kde.plasmashell" "$tmp/none.err" || fail "no shell: $status $(cat "$tmp/none.err")"
exit $failures
