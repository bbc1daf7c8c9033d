#!/usr/bin/env bash
# Fails when a core folder (or the service, which links no Qt) includes a Qt header, a layer
# includes one above it, or a room of the shell includes one it may not use.
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

# The shell's rooms: app/ uses none of the others, dialogs/ and desktop/ use app/, window/ uses
# all three; only the App at the top of src/shell ties them together.
check_room() { # room, rooms it may include...
  local room=$1; shift
  local other
  for other in app dialogs desktop window; do
    [ "$other" = "$room" ] && continue
    case " $* " in *" $other "*) continue ;; esac
    if grep -rnE "#include *\"shell/$other/" "$src/shell/$room"; then
      echo "shell/$room includes shell/$other"; status=1
    fi
  done
  if grep -rnE '#include *"shell/app\.h"' "$src/shell/$room"; then
    echo "shell/$room includes the App"; status=1
  fi
}
check_room app
check_room dialogs app
check_room desktop app
check_room window app dialogs desktop

# The window's features are given what they need of it (window/feature_host.h), never the window:
# only the window's own files include its header.
if grep -lE '#include *"shell/window/main_window\.h"' "$src"/shell/window/* |
  grep -vE '/main_window(\.cpp|_[a-z_]+\.cpp)$'; then
  echo "a feature of the window includes main_window.h"; status=1
fi
exit $status
