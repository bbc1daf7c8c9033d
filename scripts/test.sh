#!/usr/bin/env bash
# Builds everything and runs every test with ctest, then once more under ASan and UBSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
jobs=$(nproc)

run_suite() { # build folder, extra cmake arguments...
  local build=$1; shift
  cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
  cmake --build "$build" -j "$jobs"
  (cd "$build" && ctest --output-on-failure -j "$jobs" --timeout 600)
}

echo "== tests (RelWithDebInfo) =="
run_suite "$root/build/test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$root/tests/lsan_qt.supp \
  run_suite "$root/build/asan" -DCMAKE_BUILD_TYPE=Debug -DMERIDIANA_SANITIZE=ON -DMERIDIANA_BUILD_BENCH=OFF
