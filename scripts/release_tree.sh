# Sourced by run.sh and test.sh: the one Release tree both use, configured the same way, so the
# tree the tests pass in is the tree the program starts from.
release_tree="$root/build/release"

# configure_release_tree [extra cmake arguments...]
# MERIDIANA_WERROR is left as the tree has it unless an argument sets it: test.sh asks for it,
# a user's first run.sh builds without it.
configure_release_tree() {
  cmake -S "$root" -B "$release_tree" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMERIDIANA_BUILD_BENCH=ON \
    "$@" >/dev/null
}
