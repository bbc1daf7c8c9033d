#!/usr/bin/env bash
# The icon composer's own rules and the committed icon table, pictures and resource file. They
# need neither the icon themes nor network.
set -eu
root=$2/../..
cd "$root/tools/icons"
exec python3 -B -m unittest -v test_icons
