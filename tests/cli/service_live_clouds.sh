#!/usr/bin/env bash
# meridiana-service fetch-clouds against a loopback HTTPS stand-in for the public sources (a WMS
# 1.3.0 map server and a picture at a fixed address), certificates from the tests' own
# authority: twelve frames back-filled in place of the sample, only newer ones asked for later,
# the next source taken when one fails, a failure noted on the held lists and cleared by the
# next success, the same picture again taking nothing, and default sources never contacted.
# Usage: service_live_clouds.sh STAGE_DIR FIXTURES_DIR
set -u
stage=$1
tmp=$(mktemp -d)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/service_lib.bash"
source "$here/test_ca.bash"
make_test_ca "$tmp/ca" || { echo "FAIL: no test authority"; exit 99; }
export SSL_CERT_FILE=$tmp/ca/ca.pem
unset SSL_CERT_DIR
# This test's own record of refused defaults, apart from the suite's.
forbidden=$tmp/forbidden.log
export MERIDIANA_FORBID_DEFAULT_SOURCES=$forbidden

log=$tmp/requests.log
: >"$log"
echo 0 >"$tmp/image-state"
python3 "$here/cloud_stand_in.py" --cert "$tmp/ca/server.pem" --key "$tmp/ca/server.key" \
  --port-file "$tmp/port" --log "$log" --image-state "$tmp/image-state" --latency 2 &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/port" ] && break; sleep 0.05; done
[ -s "$tmp/port" ] || { echo "FAIL: the stand-in did not start"; exit 99; }
S=https://127.0.0.1:$(cat "$tmp/port")

# A folder holding the labelled sample: twelve small synthetic pictures of 2018.
python3 - "$tmp/sample-pictures" <<'PY'
import os, struct, sys, zlib
folder = sys.argv[1]
os.makedirs(folder)
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
for hour in range(12):
    raw = b"".join(b"\0" + bytes([(x * 4 + hour * 9) % 256 for x in range(64)]) for _ in range(32))
    with open(os.path.join(folder, "201802%02d%02d.png" % (6 + hour // 24, hour)), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 64, 32, 8, 0, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
PY
"$service" ingest-clouds "$tmp/sample-pictures" --data "$tmp/sample" \
  --source sample-synthetic-motion --sample >/dev/null || { echo "FAIL: no sample"; exit 99; }
grep -q '<IMAGES source="Sample" sample="1">' "$tmp/sample/clouds/list-12.xml" ||
  fail "the sample's lists say Sample: $(head -2 "$tmp/sample/clouds/list-12.xml")"
fresh() { rm -rf "$1" && cp -r "$tmp/sample" "$1"; }

# fetch DATA SOURCE...: sets rc, out, err.
fetch() {
  local data=$1
  shift
  timeout 120 "$service" fetch-clouds "$@" --data "$data" >"$tmp/fetch.out" 2>"$tmp/fetch.err"
  rc=$?
  out=$(cat "$tmp/fetch.out")
  err=$(cat "$tmp/fetch.err")
}
root() { sed -n 2p "$1/clouds/list-12.xml"; }
listed() { grep -o ' t="[0-9]*"' "$1/clouds/list-12.xml" | tr -dc '0-9\n'; }
getmaps() { grep -c 'REQUEST=GetMap' "$log"; }
newest_hour=$(date -u -d "@$(( ($(date -u +%s) - 7200) / 3600 * 3600 ))" +%Y%m%d%H00)

# Back-fill: twelve frames through TIME, newest the newest the publisher holds, sample gone.
data=$tmp/data
fresh "$data"
fetch "$data" "wms:$S/wms?SERVICE=WMS&LAYERS=ir"
[ "$rc" -eq 0 ] || fail "back-fill: $rc '$out' '$err'"
[ "$(listed "$data" | wc -l)" -eq 12 ] || fail "back-fill lists twelve: $(listed "$data" | tr '\n' ' ')"
[ "$(listed "$data" | head -1)" == "$newest_hour" ] || fail "newest frame $(listed "$data" | head -1), not $newest_hour"
root "$data" | grep -q "^<IMAGES source=\"127.0.0.1\" updated=\"[0-9T:-]*Z\">$" ||
  fail "live lists' root: $(root "$data")"
! grep -q 'm="sample' "$data/clouds/list-12.xml" && [ -z "$(ls "$data/clouds" | grep '^2018')" ] ||
  fail "the sample gave way whole"
cmp -s "$data/clouds/newest.jpg" "$data/clouds/$newest_hour.jpg" || fail "newest.jpg is the newest frame"
grep 'REQUEST=GetMap' "$log" | grep -v 'VERSION=1.3.0&CRS=EPSG:4326&BBOX=-90,-180,90,180&WIDTH=1024&HEIGHT=512' &&
  fail "a GetMap not for the whole world in EPSG:4326, latitude first"
[ "$(getmaps)" -le 18 ] || fail "back-fill asked $(getmaps) times"

# The frame's pixels: the unseen top clear, the warm ground dark, the cold band bright.
if [ -x "$stage/meridiana-cli" ]; then
  "$stage/meridiana-cli" image "$data/clouds/$newest_hour.jpg" "$tmp/frame.bmp" >/dev/null
  hour=$((10#${newest_hour:8:2}))
  python3 - "$tmp/frame.bmp" "$hour" <<'PY' || fail "frame levels"
import struct, sys
data = open(sys.argv[1], "rb").read()
offset, = struct.unpack_from("<I", data, 10)
width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
stride = (width * bits // 8 + 3) & ~3
def level(x, y):  # y from the top
    row = height - 1 - y if height > 0 else y
    return data[offset + row * stride + x * bits // 8 + 1]
band = (int(sys.argv[2]) * width // 24 + width // 16) % width
ground = (band + width // 2) % width
checks = {"unseen": level(band, 10) < 16, "ground": level(ground, 300) < 16,
          "cloud": level(band, 300) > 235}
bad = [k for k, ok in checks.items() if not ok]
if bad:
    sys.exit("bad " + ",".join(bad))
PY
fi

# Again at once: nothing newer is published yet, so nothing is written and it is no failure.
before=$(getmaps)
cp "$data/clouds/list-12.xml" "$tmp/list-before"
fetch "$data" "wms:$S/wms?SERVICE=WMS&LAYERS=ir"
[ "$rc" -eq 0 ] && [[ "$out" == *"nothing newer"* ]] || fail "second fetch: $rc '$out' '$err'"
cmp -s "$data/clouds/list-12.xml" "$tmp/list-before" || fail "the second fetch changed the list"
[ $(($(getmaps) - before)) -le 8 ] || fail "the second fetch asked for held frames again"

# Every source failing: status 1 naming each, the frames kept, the failure on the lists' root;
# a later success clears it.
fetch "$data" "wms:$S/html/wms?LAYERS=ir" "wms:$S/wrongshape/wms?LAYERS=ir" "image:$S/huge/clouds.png" \
  "image:$S/500/clouds.png"
[ "$rc" -eq 1 ] && [[ "$err" == *"every cloud source failed"* && "$err" == *"HTML"* &&
  "$err" == *"1000 x 1000"* ]] || fail "all failing: $rc '$err'"
[ "$(listed "$data" | wc -l)" -eq 12 ] || fail "a failure keeps the frames"
root "$data" | grep -q 'failed="[0-9T:-]*Z" problem="every cloud source failed' ||
  fail "the failure noted: $(root "$data")"
fetch "$data" "wms:$S/wms?SERVICE=WMS&LAYERS=ir"
[ "$rc" -eq 0 ] && ! root "$data" | grep -q 'failed=' || fail "a success clears the failure: $(root "$data")"

# The next source when one fails; CRS:84 asks longitude first.
data=$tmp/fallback
fresh "$data"
: >"$log"
fetch "$data" "wms:$S/500/wms?LAYERS=ir" "wms:$S/uniform/wms?LAYERS=ir" \
  "wms:$S/wms?LAYERS=ir&CRS=CRS:84"
[ "$rc" -eq 0 ] && [ "$(listed "$data" | wc -l)" -eq 12 ] || fail "fallback: $rc '$out' '$err'"
grep -q 'CRS=CRS:84&SERVICE=WMS&REQUEST=GetMap&VERSION=1.3.0&BBOX=-180,-90,180,90' "$log" ||
  fail "CRS:84 longitude first"

# A failed sample stays the sample, told why.
data=$tmp/still-sample
fresh "$data"
fetch "$data" "wms:$S/uniform/wms?LAYERS=ir"
[ "$rc" -eq 1 ] && root "$data" | grep -q 'source="Sample" sample="1" failed=' ||
  fail "a failed first refresh: $rc $(root "$data")"

# A picture at a fixed address: its Last-Modified names the frame; asked again conditionally
# (the validators kept in the folder, so across runs), and the same picture again, add nothing
# and are no failure; the publisher's next picture is a new frame.
data=$tmp/image
fresh "$data"
fetch "$data" "image:$S/clouds.png"
first=$(date -u -d "@$(( ($(date -u +%s) / 3600 - 1) * 3600 ))" +%Y%m%d%H00)
[ "$rc" -eq 0 ] && [ "$(listed "$data")" == "$first" ] || fail "picture: $rc '$(listed "$data")' '$err'"
cp "$data/clouds/list-12.xml" "$tmp/list-before"
: >"$log"
fetch "$data" "image:$S/clouds.png"
[ "$rc" -eq 0 ] && [[ "$out" == *"nothing newer"* ]] && grep -q '^/clouds.png | If-None-Match: "v0"' "$log" &&
  cmp -s "$data/clouds/list-12.xml" "$tmp/list-before" || fail "conditional again: $rc '$out' $(cat "$log")"
fetch "$data" "image:$S/same/clouds.png"
[ "$rc" -eq 0 ] && cmp -s "$data/clouds/list-12.xml" "$tmp/list-before" || fail "same picture again: $rc '$err'"
echo 1 >"$tmp/image-state"
fetch "$data" "image:$S/clouds.png"
[ "$rc" -eq 0 ] && [ "$(listed "$data" | wc -l)" -eq 2 ] || fail "the next picture: $rc '$err'"

# No answer at all within the deadline is a failure, not a hang.
started=$(date +%s)
fetch "$tmp/image" "wms:$S/timeout/wms?LAYERS=ir"
[ "$rc" -eq 1 ] && [ $(($(date +%s) - started)) -lt 60 ] || fail "timeout: $rc after $(($(date +%s) - started)) s"

# A picture dated 2100 is a frame of the source's present, and the lists say what it claimed.
data=$tmp/future
fresh "$data"
fetch "$data" "image:$S/future/clouds.png"
[ "$rc" -eq 0 ] && [ "$(listed "$data")" -le "$(date -u +%Y%m%d%H%M)" ] &&
  root "$data" | grep -q ' claimed="2100-01-01T00:00:00Z"' || fail "a picture of 2100: $rc $(listed "$data") $(root "$data")"

# A WMS that drips its pictures gives way to the next source well within the refresh's budget.
data=$tmp/drip
fresh "$data"
started=$(date +%s%N)
fetch "$data" "wms:$S/drip/wms?LAYERS=ir" "image:$S/clouds.png"
took=$((($(date +%s%N) - started) / 1000000))
[ "$rc" -eq 0 ] && [ "$(listed "$data" | wc -l)" -eq 1 ] && [ "$took" -lt 30000 ] ||
  fail "a dripping WMS: $rc after $took ms '$err'"
echo "a dripping WMS to the fallback frame: $took ms"

# Defaults are never contacted where they are forbidden; each refusal written down.
data=$tmp/defaults
fresh "$data"
default=$("$service" --help | grep -c fetch-clouds)
[ "$default" -ge 1 ] || fail "fetch-clouds in the usage"
fetch "$data" "wms:https://nowcoast.noaa.gov/geoserver/satellite/wms?SERVICE=WMS&LAYERS=global_longwave_imagery_mosaic&CRS=CRS:84&FORMAT=image/png"
[ "$rc" -eq 1 ] && [[ "$err" == *"default sources are forbidden here"* ]] &&
  grep -q '^https://nowcoast.noaa.gov/' "$forbidden" || fail "a forbidden default: $rc '$err'"

# Usage errors.
"$service" fetch-clouds --data "$data" >/dev/null 2>&1
[ $? -eq 2 ] || fail "no source"
"$service" fetch-clouds "wms:https://127.0.0.1/wms" --data "$data" >/dev/null 2>&1
[ $? -eq 2 ] || fail "a wms source without a layer"
"$service" fetch-clouds "image:$S/clouds.png" --every 0 --data "$data" >/dev/null 2>&1
[ $? -eq 2 ] || fail "--every 0"

[ "$failures" -eq 0 ] && echo "PASS" || exit 1
