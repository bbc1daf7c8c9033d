# Sourced by run.sh, test.sh and package.sh: the one Release tree they share, configured the same
# way, so the tree the tests pass in is the tree the program starts from.
release_tree="$root/build/release"

# configure_release_tree [extra cmake arguments...]
# Options no argument names stay as the tree has them. A tree configured for the first time
# builds the programs only (no tests, no benchmarks), so a user's first run.sh needs neither
# GoogleTest nor Google Benchmark; test.sh turns both on in the same tree. MERIDIANA_WERROR is
# likewise left as it is: test.sh asks for it, a user's build goes without.
configure_release_tree() {
  local first=()
  [ -f "$release_tree/CMakeCache.txt" ] || first=(-DMERIDIANA_BUILD_TESTS=OFF -DMERIDIANA_BUILD_BENCH=OFF)
  cmake -S "$root" -B "$release_tree" -G Ninja -DCMAKE_BUILD_TYPE=Release "${first[@]}" "$@" >/dev/null
}
