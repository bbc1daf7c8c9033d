#!/usr/bin/env bash
# Fails when a core folder (or the service, which links no Qt) includes a Qt header, or a layer
# includes one above it.
set -u
src=$1
status=0
if grep -rnE '#include *<Q' "$src/foundation" "$src/world" "$src/map" "$src/online" "$src/service"; then
  echo "core folder includes Qt"; status=1
fi
check_upward() { # folder, forbidden layers...
  local dir=$1; shift
  for upper in "$@"; do
    if grep -rnE "#include *\"$upper/" "$src/$dir"; then
      echo "$dir includes $upper"; status=1
    fi
  done
}
check_upward foundation world map online service shell
check_upward world map online service shell
check_upward map online service shell
check_upward online service shell
check_upward service shell
exit $status
