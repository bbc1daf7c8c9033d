#!/usr/bin/env bash
# The Debian package as a user gets it: CPack builds it from this tree, lintian finds nothing to
# say beyond the reasoned overrides, dpkg installs it into a scratch root of its own (no trace on
# this machine's package database), the programs start from there and find their data, the
# window shows on an X server, and removing the package leaves only dpkg's own records.
# Usage: debian_package.sh BUILD_DIR SOURCE_DIR VERSION
set -u
build=$1
source=$2
version=$3
here=$(cd "$(dirname "$0")" && pwd)
for tool in cpack lintian dpkg dpkg-deb dpkg-shlibdeps Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/deps.sh installs it)"; exit 1; }
done
. "$source/tests/cli/xvfb_lib.bash"
window_test_folder

# ---- build and lint ----
(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 || fail "cpack: $(tail -30 "$work/cpack.log")"
deb="$work/out/meridiana_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$work/out")"

dpkg-deb -f "$deb" Depends >"$work/depends"
for dependency in libc6 libqt6widgets6 libpng16-16 libjpeg62-turbo qt6-qpa-plugins qt6-wayland; do
  grep -q "\b$dependency\b" "$work/depends" || fail "Depends lacks $dependency: $(cat "$work/depends")"
done

lintian --fail-on error,warning --display-info --show-overrides "$deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian: $(cat "$work/lintian.log")"

# ---- the file list ----
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' >"$work/files"
for f in usr/bin/meridiana usr/bin/meridiana-cli usr/bin/meridiana-service \
         usr/libexec/meridiana/meridiana-cli-qt usr/share/meridiana/location.dat \
         usr/share/meridiana/lang/lang_de.dat usr/share/meridiana/images/earth_day.bmp \
         usr/share/meridiana/manual/manual.html usr/share/meridiana/service/quakes.xml \
         usr/share/meridiana/SOURCES.md usr/share/meridiana/default-config.ini \
         usr/share/doc/meridiana/copyright usr/share/doc/meridiana/changelog.gz \
         usr/share/man/man1/meridiana.1.gz usr/share/applications/meridiana.desktop \
         usr/share/metainfo/example.quillary.meridiana.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/meridiana.svg \
         usr/lib/systemd/system/meridiana-service.service; do
  grep -qx "$f" "$work/files" || fail "not in the package: $f"
done
# Nothing of the build tree: no test or benchmark program, no licence text beside the copyright.
grep -E '_tests$|_bench$|_fuzz$|plasmashell|/LICENSE|/icons/LICENSES' "$work/files" && fail "files that do not belong in the package"

# ---- install into a scratch root ----
scratch="$work/root"
mkdir -p "$scratch/var/lib/dpkg/updates" "$scratch/var/lib/dpkg/info" "$scratch/var/lib/dpkg/triggers"
: >"$scratch/var/lib/dpkg/status"
: >"$scratch/var/lib/dpkg/available"
dpkg_root() { dpkg --root="$scratch" --log=/dev/null --force-depends --force-not-root "$@"; }
dpkg_root -i "$deb" >"$work/dpkg.log" 2>&1 || fail "dpkg -i: $(cat "$work/dpkg.log")"
dpkg_root -s meridiana 2>/dev/null | grep -q '^Status: install ok installed' || fail "not installed in the scratch root"

# The changelog is compressed without a name or a time stamp (gzip -9n): bytes 4-7 are zero.
[ "$(od -An -tx1 -j4 -N4 "$scratch/usr/share/doc/meridiana/changelog.gz" | tr -d ' \n')" = 00000000 ] ||
  fail "changelog.gz carries a time stamp"
zcat "$scratch/usr/share/doc/meridiana/changelog.gz" | head -1 | grep -q "^meridiana ($version) " ||
  fail "changelog is not of version $version"

usr="$scratch/usr"
export MERIDIANA_LIVE_QUAKES=https://127.0.0.1:9/quakes.geojson
export MERIDIANA_LIVE_CLOUDS=image:https://127.0.0.1:9/clouds.jpg
unset MERIDIANA_DATA MERIDIANA_HOME
mkdir -m 700 "$work/run"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
       XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/run" TZ=UTC LANG=C.UTF-8
cd "$work" || fail "no work folder"

# The command-line programs from the scratch root read its tables, not the build tree's.
"$usr/bin/meridiana-cli" cities --at 2025-01-15T12:00:00Z >"$work/cities.tsv" 2>"$work/cities.err" ||
  fail "meridiana-cli cities: $(cat "$work/cities.err")"
[ "$(wc -l <"$work/cities.tsv")" -gt 4000 ] || fail "meridiana-cli cities listed $(wc -l <"$work/cities.tsv") lines"
grep -q "^Tokyo	" "$work/cities.tsv" || fail "no Tokyo in the cities"
# render with the overlays runs in libexec/meridiana/meridiana-cli-qt.
QT_QPA_PLATFORM=offscreen "$usr/bin/meridiana-cli" render --layers day --overlays grid,marked --mark Tokyo --out "$work/map.png" \
  >"$work/render.log" 2>&1 || fail "meridiana-cli render: $(cat "$work/render.log")"
[ "$(head -c 8 "$work/map.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "render wrote no PNG"
"$usr/bin/meridiana-service" --version >"$work/version" 2>&1 || fail "meridiana-service --version: $(cat "$work/version")"
grep -q "$version" "$work/version" || fail "meridiana-service --version says $(cat "$work/version")"

# The window shows on an X server: an X window of the program's process appears.
start_xvfb 1280x1024x24 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
start_window "$work/window.log" "$usr/bin/meridiana"
grep -q "Unable to load" "$work/window.log" && fail "data not found: $(cat "$work/window.log")"
kill -TERM "$pid"
wait "$pid"
status=$?
pid=""
[ "$status" -eq 0 ] || fail "meridiana ended with $status: $(cat "$work/window.log")"

# ---- removal ----
dpkg_root --purge meridiana >"$work/purge.log" 2>&1 || fail "dpkg --purge: $(cat "$work/purge.log")"
left=$(cd "$scratch" && find . -mindepth 1 ! -path './var' ! -path './var/lib' ! -path './var/lib/dpkg' \
  ! -path './var/lib/dpkg/*' | sort)
[ -z "$left" ] || fail "left behind after removal: $left"
echo "debian package: ok"
