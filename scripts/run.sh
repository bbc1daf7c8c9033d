#!/usr/bin/env bash
# Builds the program (release) and starts it from the build tree, with its data staged beside it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMERIDIANA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target meridiana meridiana-cli meridiana_data meridiana-service meridiana_service_data
exec "$build/stage/meridiana" "$@"
