#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test with ctest: in the Release tree
# that scripts/run.sh starts the program from, then under ASan and UBSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
. "$root/scripts/release_tree.sh"
jobs=$(nproc)

run_suite() { # build folder
  cmake --build "$1" -j "$jobs"
  (cd "$1" && ctest --output-on-failure -j "$jobs" --timeout 600)
}

echo "== tests (Release) =="
configure_release_tree -DMERIDIANA_WERROR=ON
run_suite "$release_tree"
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S "$root" -B "$root/build/asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMERIDIANA_SANITIZE=ON \
  -DMERIDIANA_WERROR=ON -DMERIDIANA_BUILD_BENCH=OFF >/dev/null
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$root/tests/lsan_qt.supp run_suite "$root/build/asan"
