#!/usr/bin/env bash
# Regenerates the service's sample sources in data/service/ from their packages:
#   earthquakes-2018-02-07.geojson  the USGS "all earthquakes, past week" feed of 7 February 2018
#                                   from the npm package vega-datasets (data/earthquakes.json),
#                                   checked to be that feed and cut to the fields the ingest reads
#   earth-clouds.png                Debian stellarium-data's textures/earth-clouds.png, unchanged
# The build makes the served sample from these (src/apps/meridiana-service/CMakeLists.txt).
# Needs npm and python3; installs stellarium-data (about 250 MB) when it is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/data/service
vega_version=3.2.1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

(cd "$work" && npm pack --silent "vega-datasets@$vega_version" >/dev/null && tar xzf "vega-datasets-$vega_version.tgz")
python3 - "$work/package/data/earthquakes.json" "$out/earthquakes-2018-02-07.geojson" <<'PY'
import datetime, json, sys
feed = json.load(open(sys.argv[1]))
meta = feed["metadata"]
features = feed["features"]
generated = datetime.datetime.fromtimestamp(meta["generated"] / 1000, datetime.timezone.utc)
assert meta["title"] == "USGS All Earthquakes, Past Week", meta["title"]
assert len(features) == meta["count"] == 1707, len(features)
assert (generated.year, generated.month) == (2018, 2), generated
keep_meta = {k: meta[k] for k in ("generated", "url", "title", "status", "api", "count")}
lines = []
for f in features:
    lines.append(json.dumps({
        "type": "Feature",
        "properties": {"mag": f["properties"]["mag"], "time": f["properties"]["time"]},
        "geometry": {"type": "Point", "coordinates": f["geometry"]["coordinates"]},
        "id": f["id"],
    }, separators=(",", ":")))
with open(sys.argv[2], "w") as o:
    o.write('{"type":"FeatureCollection","metadata":%s,"features":[\n' %
            json.dumps(keep_meta, separators=(",", ":")))
    o.write(",\n".join(lines))
    o.write('\n],"bbox":%s}\n' % json.dumps(feed["bbox"], separators=(",", ":")))
print("earthquakes: %d features, generated %s" % (len(features), generated))
PY

texture=/usr/share/stellarium/textures/earth-clouds.png
if [ ! -f "$texture" ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends stellarium-data
fi
cp "$texture" "$out/earth-clouds.png"
echo "clouds: $(dpkg-query -W -f='stellarium-data ${Version}' stellarium-data) $(md5sum <"$texture" | cut -c1-32)"
