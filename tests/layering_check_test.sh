#!/usr/bin/env bash
# The layering check passes a tree that keeps the rules and fails each way of breaking them.
set -u
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A minimal tree: every folder the check reads, a window and one feature of it.
fresh_tree() {
  rm -rf "$work/src"
  mkdir -p "$work/src"/{foundation,world,map,online,service} "$work/src/shell"/{app,dialogs,desktop,window}
  echo '#include "shell/window/feature_host.h"' > "$work/src/shell/window/clock_feature.cpp"
  echo '#include "shell/window/main_window.h"' > "$work/src/shell/window/main_window.cpp"
  echo '#include "shell/window/main_window.h"' > "$work/src/shell/window/main_window_events.cpp"
  echo '#include "shell/window/main_window.h"' > "$work/src/shell/app.cpp"
}

expect() { # name, wanted exit status, message wanted in the output ("" for none)
  local output code
  output=$(bash "$check" "$work/src" 2>&1)
  code=$?
  if [ "$code" != "$2" ] || { [ -n "$3" ] && ! grep -qF "$3" <<<"$output"; }; then
    echo "FAIL $1: exit $code, output: $output"; failures=$((failures + 1))
  fi
}

fresh_tree
expect "rules kept" 0 ""

# name | file | line written into it | message
while IFS='|' read -r name file line message; do
  fresh_tree
  echo "$line" > "$work/src/$file"
  expect "$name" 1 "$message"
done <<'CASES'
feature includes the window|shell/window/clock_feature.h|#include "shell/window/main_window.h"|a feature of the window includes main_window.h
feature source includes the window|shell/window/time_tools.cpp|#include "shell/window/main_window.h"|a feature of the window includes main_window.h
dialog includes the window|shell/dialogs/about_box.cpp|#include "shell/window/main_window.h"|shell/dialogs includes shell/window
core includes Qt|map/compose.cpp|#include <QImage>|core folder includes Qt
world includes map|world/city.cpp|#include "map/dib.h"|world includes map
CASES

exit $((failures > 0))
