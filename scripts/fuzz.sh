#!/usr/bin/env bash
# Builds the instrumented fuzz tree (clang; every project library with coverage, ASan and UBSan)
# and runs each harness for SECONDS (default 600), as many at once as there are cores. Corpora
# grow in build/fuzz/corpus/<harness>, seeded from the test fixtures; inputs that crash or hang
# land in build/fuzz/artifacts/<harness>/. Prints each harness's last libFuzzer status line.
# Usage: scripts/fuzz.sh [SECONDS] [HARNESS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
shift || true
build=$root/build/fuzz

"$root/scripts/deps.sh" --test  # the harnesses live in the test tree
command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is needed (apt install clang)"; exit 1; }
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMERIDIANA_FUZZ=ON -DMERIDIANA_BUILD_GUI=ON -DMERIDIANA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz-harnesses

harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  for source in "$root"/tests/fuzz/*_fuzz.cpp; do harnesses+=("$(basename "$source" .cpp)"); done
fi

run_one() {
  local name=$1 seeds=$root/tests/fixtures/images
  case $name in
    world_tables_fuzz) seeds=$root/tests/fixtures/world ;;
    language_file_fuzz) seeds=$root/data/lang ;;
    config_ini_fuzz) seeds=$root/data/defaults ;;
    http_response_fuzz) seeds=$root/tests/fixtures/http ;;
    markup_fuzz) seeds=$root/tests/fixtures/markup ;;
    usgs_feed_fuzz) seeds=$root/tests/fixtures/geojson ;;
  esac
  mkdir -p "$build/corpus/$name" "$build/artifacts/$name"
  # 2 s per input: a hang is an input worth keeping, not a slow machine.
  "$build/stage/$name" -max_total_time="$seconds" -timeout=2 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$name/" "$build/corpus/$name" "$seeds" \
    >"$build/$name.log" 2>&1 || true
}

running=0
for name in "${harnesses[@]}"; do
  run_one "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$(nproc)" ]; then wait -n; running=$((running - 1)); fi
done
wait

status=0
for name in "${harnesses[@]}"; do
  last=$(grep -E '^#[0-9]+' "$build/$name.log" | tail -n1 || true)
  found=$(find "$build/artifacts/$name" -type f | wc -l)
  echo "$name: ${last:-no status line} | inputs kept for crashes or hangs: $found"
  [ "$found" -eq 0 ] || status=1
done
exit $status
