#!/usr/bin/env bash
# Builds the programs and their data (release) and starts the window from the build tree, with
# its data staged beside it. Installs only what building and running needs (scripts/deps.sh).
#   run.sh [--with-tests] [program arguments...]
# --with-tests also installs the test packages and builds the tests and benchmarks in the tree,
# as scripts/test.sh does, without running them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
options=()
targets=(meridiana_app)
if [ "${1:-}" = --with-tests ]; then
  shift
  "$root/scripts/deps.sh" --test
  options=(-DMERIDIANA_BUILD_TESTS=ON -DMERIDIANA_BUILD_BENCH=ON)
  targets=(all)
else
  "$root/scripts/deps.sh"
fi
. "$root/scripts/release_tree.sh"
configure_release_tree "${options[@]}"
cmake --build "$release_tree" --target "${targets[@]}"
exec "$release_tree/stage/meridiana" "$@"
