#!/bin/sh
# Builds RALLYTON and runs every test (installing what is missing).
set -eu
cd "$(dirname "$0")"
scripts/setup.sh test
cmake -S . -B build-test -DRALLYTON_TESTS=ON
cmake --build build-test -j"$(nproc)"
timeout 1800 xvfb-run -a -s "-screen 0 640x480x24" \
  ctest --test-dir build-test --output-on-failure -j2 --timeout 600
