# Shared by the tests/cli/render_*.sh tests, sourced with the test's own arguments (STAGE
# FIXTURES). Sets stage, fixtures (the synthetic world tables), cli, here, work (a folder removed
# at exit), fail, and the PYTHONPATH that finds render_lib.py.
stage=$1
fixtures=$2/world
cli=$stage/meridiana-cli
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export PYTHONPATH=$here

# cli_has_qt: whether meridiana-cli draws the window's overlays; a build without Qt says so.
cli_has_qt() {
  local said
  said=$("$cli" render --overlays grid --out "$work/probe.png" --data "$work" 2>&1 || true)
  [[ $said != *"without Qt"* ]]
}

# synthetic_data DIR: the synthetic tables packed, their zone picture, and a uniform grey day
# picture (not a picture of the Earth), so that every overlay pixel stands out.
synthetic_data() {
  local dir=$1 table
  mkdir -p "$dir/images"
  for table in location tz_data tz_dst areacode; do
    sed 's/$/\r/' "$fixtures/$table.txt" >"$dir/$table.txt"
    "$cli" pack "$dir/$table.txt" "$dir/$table.dat"
  done
  python3 "$fixtures/make_tz_image.py" "$dir/images/earth_tz.bmp"
  python3 - "$dir" <<'PY'
import sys
from render_lib import write_uniform_bmp
write_uniform_bmp(f"{sys.argv[1]}/images/earth_day.bmp", 1024, 512, (60, 60, 60))
PY
}
