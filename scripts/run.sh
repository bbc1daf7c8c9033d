#!/usr/bin/env bash
# Builds the program (release) and starts it from the build tree, with its data staged beside it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
. "$root/scripts/release_tree.sh"
configure_release_tree
cmake --build "$release_tree" --target meridiana_app
exec "$release_tree/stage/meridiana" "$@"
