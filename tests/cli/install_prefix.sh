#!/usr/bin/env bash
# `cmake --install` into a fresh prefix gives a program that runs from there: it finds its data,
# languages and icons beside itself, and the desktop finds its icon and entry.
# Usage: install_prefix.sh STAGE_DIR FIXTURES_DIR
set -u
stage=$1
build=$(cd "$stage/.." && pwd)
if [ ! -x "$stage/meridiana" ]; then
  echo "SKIP: $stage/meridiana not built (configure with MERIDIANA_BUILD_GUI=ON)"
  exit 0
fi
work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 || fail "install: $(cat "$work/install.log")"
for f in bin/meridiana lib/meridiana/meridiana-cli lib/meridiana/location.dat lib/meridiana/lang/lang_de.dat \
         lib/meridiana/images/earth_day.bmp share/icons/hicolor/48x48/apps/meridiana.png \
         share/icons/hicolor/scalable/apps/meridiana.svg share/applications/meridiana.desktop \
         share/metainfo/meridiana.metainfo.xml share/doc/meridiana/SOURCES.md; do
  [ -e "$work/prefix/$f" ] || fail "not installed: $f"
done
grep -q '^Icon=meridiana$' "$work/prefix/share/applications/meridiana.desktop" || fail "desktop entry icon"

# The installed program starts from the link in bin/, in German, and ends cleanly.
mkdir -m 700 "$work/run"
(cd "$work" && exec env -u MERIDIANA_DATA -u MERIDIANA_HOME HOME="$work/home" \
   XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
   XDG_RUNTIME_DIR="$work/run" LANG=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen \
   "$work/prefix/bin/meridiana") >"$work/log" 2>&1 &
pid=$!
for _ in $(seq 1 100); do
  [ -S "$work/run/Meridiana2" ] && break
  kill -0 "$pid" 2>/dev/null || fail "ended early: $(cat "$work/log")"
  sleep 0.1
done
sleep 1
kill -TERM "$pid"
wait "$pid"
status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/log")"
grep -q "Unable to load" "$work/log" && fail "data not found: $(cat "$work/log")"
grep -q "M=" "$work/home/.local/share/meridiana/config.ini" || fail "no first-start cities saved"
grep -q "lang=de" "$work/home/.config/quillary/local-machine.ini" || fail "language not kept"
echo "install prefix: ok"
