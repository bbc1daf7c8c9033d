#!/usr/bin/env bash
# Unit tests of the data pipeline's own decisions (rule lines, colours, map pixels, area codes).
# They need neither Node nor network nor a particular tzdata.
set -eu
root=$2/../..
cd "$root/tools/data"
exec python3 -B -m unittest -v test_pipeline
