#!/usr/bin/env bash
# `cmake --install` into a fresh prefix gives programs that run from there: each finds its data,
# languages and icons in ../share/meridiana from its own folder, and the desktop finds its icon
# and entry. Nothing of the build tree's staging folder (test and benchmark programs) is
# installed with the data.
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
service=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  [ -n "$service" ] && kill -KILL "$service" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 || fail "install: $(cat "$work/install.log")"
for f in bin/meridiana bin/meridiana-cli bin/meridiana-service libexec/meridiana/meridiana-cli-qt \
         share/meridiana/location.dat share/meridiana/lang/lang_de.dat \
         share/meridiana/images/earth_day.bmp share/icons/hicolor/48x48/apps/meridiana.png \
         share/icons/hicolor/scalable/apps/meridiana.svg share/applications/meridiana.desktop \
         share/metainfo/example.quillary.meridiana.metainfo.xml share/doc/meridiana/SOURCES.md \
         share/meridiana/SOURCES.md share/meridiana/default-config.ini share/meridiana/local-machine.ini \
         share/meridiana/manual/manual.html share/meridiana/service/quakes.xml \
         share/man/man1/meridiana-cli.1 share/doc/meridiana/LICENSE; do
  [ -e "$work/prefix/$f" ] || fail "not installed: $f"
done
leftovers=$(cd "$work/prefix" && find . -type f \( -name '*_tests' -o -name '*_bench' -o -name '*_fuzz' \) )
[ -z "$leftovers" ] || fail "build-tree programs installed: $leftovers"
[ -z "$(find "$work/prefix" -type d -empty)" ] || fail "empty folders installed: $(find "$work/prefix" -type d -empty)"
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
# The command-line tools from PATH, with no data folder given: the CLI renders the installed
# day map (blue oceans, so more blue than red in the middle of the Pacific), the service serves
# the installed sample.
export PATH="$work/prefix/bin:$PATH"
(cd "$work" && env -u MERIDIANA_DATA meridiana-cli render --layers day --out "$work/map.bmp") \
  >"$work/render.log" 2>&1 || fail "meridiana-cli render: $(cat "$work/render.log")"
python3 - "$work/map.bmp" <<'PY' || fail "the rendered map is not the day map"
import struct, sys
data = open(sys.argv[1], "rb").read()
offset, width, height = struct.unpack_from("<I", data, 10)[0], *struct.unpack_from("<ii", data, 18)
stride = (width * 3 + 3) & ~3
row = abs(height) // 2  # the equator, whichever way the rows run
b, g, r = data[offset + row * stride + (width // 8) * 3:][:3]  # 135 W: the open Pacific
sys.exit(0 if (width, abs(height)) == (1024, 512) and b > r + 40 else 1)
PY
meridiana-service --listen 127.0.0.1:0 >"$work/service.out" 2>"$work/service.err" &
service=$!
for _ in $(seq 100); do [ -s "$work/service.out" ] && break; sleep 0.05; done
port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/service.out")
[ -n "$port" ] || fail "meridiana-service did not start: $(cat "$work/service.err")"
curl -s --max-time 10 "http://127.0.0.1:$port/earthquake.cgi" | grep -q "<QUAKE " \
  || fail "the installed service does not serve its sample"

echo "install prefix: ok"
