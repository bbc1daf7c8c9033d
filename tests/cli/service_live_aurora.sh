#!/usr/bin/env bash
# The aurora forecast live through meridiana-service from a loopback HTTPS stand-in of the
# forecaster (tests' own CA; a SYNTHETIC oval in the real format): the first refresh waited for,
# the points meridiana-cli aurora prints, a new forecast on the cadence, a failure kept off
# the last good list, --live under the guard against the default source and with
# MERIDIANA_LIVE_AURORA; then render --aurora: the oval round the magnetic pole on the night
# side, and without the layer the very same bytes.
# Usage: service_live_aurora.sh STAGE_DIR FIXTURES_DIR
set -u
source "$(dirname "$0")/service_lib.bash"
source "$here/test_ca.bash"
trust_test_ca "$tmp/ca"
cli=$stage/meridiana-cli
feed=/json/ovation_aurora_latest.json
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_CACHE_HOME=$tmp/home/.cache

mkdir -p "$tmp/noaa"
echo 1 >"$tmp/noaa/version"
start_usgs_standin noaa server
touch "$tmp/noaa.log"
asked() { grep -c "^$feed " "$tmp/noaa.log"; }
# aurora NAME: one request; sets root (the root element), points and peak (the highest p).
aurora() {
  get "${base[$1]}/aurora.cgi"
  root=$(sed -n 2p "$body_file")
  points=$(grep -c '^<P ' "$body_file")
  peak=$(sed -n 's/^<P .* p="\([0-9]*\)".*/\1/p' "$body_file" | sort -n | tail -1)
}

mkdir "$tmp/live"
start_service live --data "$tmp/live" --fetch-aurora "${standin[noaa]}$feed" --aurora-every 0.0167
aurora live
observed=$(date -u -d "@$(stat -c %Y "$tmp/noaa/version")" +%Y-%m-%dT%H:%M:%SZ)
[ "$status" == 200 ] && [ "$type" == "text/xml" ] &&
  [ "$root" == "<AURORA source=\"NOAA SWPC\" updated=\"$observed\">" ] &&
  [ "$points" -gt 5000 ] && [ "$peak" -eq 30 ] || fail "the first refresh: $status $type $root, $points points, peak $peak"

"$cli" aurora --service "${base[live]}" >"$tmp/cli.out" 2>"$tmp/cli.err" || fail "aurora: exit $? $(cat "$tmp/cli.err")"
[[ "$(head -n1 "$tmp/cli.out")" == "source: NOAA SWPC, updated "* ]] || fail "the provenance line: $(head -n1 "$tmp/cli.out")"
[ "$(sed -n 2p "$tmp/cli.out")" == $'longitude\tlatitude\tprobability' ] || fail "the header: $(sed -n 2p "$tmp/cli.out")"
# Every point of 1 % or more, each once, longitudes -180 to 179, as the list has them.
awk -F'\t' 'NR > 2 && NF == 3 && $1 >= -180 && $1 <= 179 && $2 >= -90 && $2 <= 90 && $3 >= 1 && $3 <= 100 { ok++ }
            END { exit ok != '"$points"' }' "$tmp/cli.out" || fail "the TSV rows: $(sed -n 3,5p "$tmp/cli.out")"

# A new forecast once the cadence has passed.
sleep 1.1
echo 2 >"$tmp/noaa/version"
aurora live
sleep 0.5
aurora live
[ "$peak" -eq 40 ] || fail "the renewed forecast: peak $peak"

# A failure keeps the last good forecast, marked; the command line says so above the points.
echo "status 503" >"$tmp/noaa/mode"
sleep 1.1
aurora live
[ "$peak" -eq 40 ] && [[ "$root" == *' failed="'*'" problem="https://127.0.0.1:'*"$feed: status 503\">" ]] ||
  fail "a failed refresh: peak $peak, $root"
"$cli" aurora --service "${base[live]}" >"$tmp/failed.out" 2>&1 || fail "aurora after a failure: exit $?"
sed -n 2p "$tmp/failed.out" | grep -q '^last refresh failed at .*: status 503$' || fail "the failure told: $(head -n2 "$tmp/failed.out")"

# --live under the guard: the forecaster's own address named, refused, the reason on the list.
mkdir "$tmp/guarded"
MERIDIANA_FORBID_DEFAULT_SOURCES=$tmp/forbidden.log MERIDIANA_LIVE_AURORA= MERIDIANA_LIVE_QUAKES=https://127.0.0.1:9/q \
  MERIDIANA_LIVE_CLOUDS=image:https://127.0.0.1:9/c.jpg start_service guarded --live --data "$tmp/guarded"
grep -qF "live aurora: https://services.swpc.noaa.gov$feed every 5 min" "$tmp/guarded.err" ||
  fail "--live does not name the aurora source: $(cat "$tmp/guarded.err")"
get "${base[guarded]}/aurora.cgi"
grep -qxF "https://services.swpc.noaa.gov$feed" "$tmp/forbidden.log" || fail "the default source was not refused"
# ... and the labelled sample, a real past forecast, is served with its date.
"$cli" aurora --service "${base[guarded]}" >"$tmp/sample.out" 2>&1 || fail "aurora from the sample: exit $?"
[ "$(head -n1 "$tmp/sample.out")" == "sample: aurora forecast for 2025-01-12 22:51 UTC (a past forecast)" ] &&
  grep -q "^last refresh failed at .*: https://services.swpc.noaa.gov$feed: default sources are forbidden here$" "$tmp/sample.out" &&
  [ "$(tail -n +4 "$tmp/sample.out" | wc -l)" -eq 21260 ] || fail "the guarded sample: $(head -n3 "$tmp/sample.out")"
# MERIDIANA_LIVE_AURORA stands in for it.
echo ok >"$tmp/noaa/mode"
mkdir "$tmp/mirrored"
MERIDIANA_LIVE_AURORA="${standin[noaa]}$feed" start_service mirrored --live --data "$tmp/mirrored"
aurora mirrored
[ "$peak" -eq 40 ] && [[ "$root" == "<AURORA source=\"NOAA SWPC\" "* ]] || fail "MERIDIANA_LIVE_AURORA: $root, peak $peak"

# render --aurora from the forecaster's file. 06:00 UTC on 12 January: night in eastern Canada
# and in the Siberian polar night. The stand-in's oval, 23 degrees round the geomagnetic pole
# (80.7 N, 72.7 W), crosses 72.7 W at 57.7 N and 107.3 E at 76.3 N; the pole itself stays dark.
curl -s --cacert "$tmp/ca/ca.pem" -o "$tmp/forecast.json" "${standin[noaa]}$feed" || fail "the stand-in's forecast"
render() { "$cli" render --at 2025-01-12T06:00:00Z --layers day,shadow --out "$tmp/$1.bmp" "${@:2}" 2>>"$tmp/render.err"; }
render plain --overlays info
render layer --overlays info,aurora --aurora "$tmp/forecast.json"
render off --overlays info --aurora "$tmp/forecast.json"
cmp -s "$tmp/plain.bmp" "$tmp/off.bmp" || fail "the forecast read without the layer changed the picture"
python3 - "$here" "$tmp/plain.bmp" "$tmp/layer.bmp" <<'PY' || fail "the oval round the magnetic pole"
import sys
sys.path.insert(0, sys.argv[1])
from render_lib import read_bmp
w, h, plain = read_bmp(sys.argv[2])
_, _, layer = read_bmp(sys.argv[3])
def greener(lon, lat):
    x, y = int((lon + 180) / 360 * w), int((90 - lat) / 180 * h)
    return layer[y][3 * x + 1] - plain[y][3 * x + 1]
checks = [("the oval over Quebec", greener(-72.7, 57.7) > 40),
          ("the oval over Siberia", greener(107.3, 76.3) > 40),
          ("not at the pole", greener(-72.7, 80.7) < 5),
          ("not over the tropics", greener(-72.7, 20) == 0),
          ("not on the day side", greener(150, -65) == 0)]
bad = [what for what, ok in checks if not ok]
print("FAIL:", bad) if bad else None
sys.exit(1 if bad else 0)
PY

[ "$failures" -eq 0 ] && echo "service live aurora: ok"
[ "$failures" -eq 0 ]
