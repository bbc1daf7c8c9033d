#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test with ctest: in the Release tree
# that scripts/run.sh starts the program from, then under ASan and UBSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" --test
. "$root/scripts/release_tree.sh"
jobs=$(nproc)

# No test may reach the internet: the service refuses its built-in sources (and any address
# beyond loopback) under this variable and notes each refusal in the file, which must stay
# absent.
run_suite() { # build folder
  cmake --build "$1" -j "$jobs"
  local contacted="$1/default-sources-contacted.log"
  rm -f "$contacted"
  (cd "$1" && MERIDIANA_FORBID_DEFAULT_SOURCES=$contacted ctest --output-on-failure -j "$jobs" --timeout 600)
  if [ -e "$contacted" ]; then
    echo "FAIL: tests reached for sources beyond this machine:" >&2
    cat "$contacted" >&2
    return 1
  fi
}

echo "== tests (Release) =="
configure_release_tree -DMERIDIANA_WERROR=ON -DMERIDIANA_BUILD_TESTS=ON -DMERIDIANA_BUILD_BENCH=ON
run_suite "$release_tree"
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S "$root" -B "$root/build/asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMERIDIANA_SANITIZE=ON \
  -DMERIDIANA_WERROR=ON -DMERIDIANA_BUILD_BENCH=OFF >/dev/null
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$root/tests/lsan_qt.supp run_suite "$root/build/asan"
