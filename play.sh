#!/bin/sh
# Builds RALLYTON (installing what is missing) and starts it, passing on
# its arguments (./play.sh --scale 2).
set -eu
cd "$(dirname "$0")"
scripts/setup.sh play
cmake -S . -B build -DRALLYTON_TESTS=OFF
cmake --build build -j"$(nproc)"
cd build && exec ./rallyton "$@"
