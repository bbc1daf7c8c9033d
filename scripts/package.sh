#!/usr/bin/env bash
# Builds the Debian package from the Release tree that run.sh and test.sh use:
# build/release/meridiana_<version>_<arch>.deb (cmake/MeridianaPackage.cmake says what is in it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
. "$root/scripts/release_tree.sh"
configure_release_tree
cmake --build "$release_tree" --target meridiana_app
cd "$release_tree"
cpack -G DEB
ls -1 "$release_tree"/meridiana_*.deb
