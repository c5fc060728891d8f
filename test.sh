#!/bin/sh
# Builds RALLYTON and runs every test (installing what is missing).
set -eu
cd "$(dirname "$0")"
# Each stage's time, for the README's table.
start=$(date +%s) last=$(date +%s)
took() {
  now=$(date +%s)
  echo "== $1: $((now - last)) s ($((now - start)) s in all)"
  last=$now
}
scripts/setup.sh test
took "installs"
cmake -S . -B build-test -DRALLYTON_TESTS=ON -DRALLYTON_BENCH=ON
cmake --build build-test -j"$(nproc)"
took "the build"
timeout 1800 xvfb-run -a -s "-screen 0 640x480x24 -noreset" \
  ctest --test-dir build-test --output-on-failure -j2 --timeout 600
took "the tests"

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer
# (all but those that play the game in real time).
cmake -S . -B build-asan -DRALLYTON_TESTS=ON -DRALLYTON_SANITIZE=ON
cmake --build build-asan -j"$(nproc)"
took "the sanitized build"
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
  timeout 1800 xvfb-run -a -s "-screen 0 640x480x24 -noreset" \
  ctest --test-dir build-asan --output-on-failure -j2 --timeout 900 -LE realtime
took "the sanitized tests"

# The Windows build, cross-built and played under Wine.
scripts/build-windows.sh
took "the Windows build"
version=$(sed -n 's/^#define RALLYTON_VERSION "\(.*\)"$/\1/p' build-test/version/version.h)
bash tests/windows.sh "build-windows/rallyton-$version-win32.zip" build-test
took "the Windows tests"

# Short fuzzing runs: the datafile check and what it lets through to the
# game's drawing and music, from the corpus in the repo and the streams of
# the check's own test table (the built datafile damaged in every way the
# check knows); the settings file's reader; the network messages' decoder;
# a replay file's reader and the sync test (from the suite's recorded
# match). libFuzzer stops with a failure status on a crash, a leak, a
# sanitizer report or a state the sync test finds outside the match.
CXX=clang++ cmake -S . -B build-fuzz -DRALLYTON_FUZZ=ON -DRALLYTON_TESTS=OFF
cmake --build build-fuzz -j"$(nproc)" --target fuzz_datacheck fuzz_settings fuzz_netmsg fuzz_replay
took "the fuzzing build"
passed=0 failed=0
for run in "datacheck 30 fuzz/corpus build-test/fuzz-seeds" "settings 15 fuzz/settings-corpus" \
  "netmsg 15 fuzz/netmsg-corpus" "replay 30 build-test/fuzz-seeds-replay"; do
  set -- $run
  target=fuzz_$1 seconds=$2
  shift 2
  corpus=$(mktemp -d)
  for seeds in "$@"; do cp "$seeds"/* "$corpus"; done
  status=0
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
    timeout 300 xvfb-run -a -s "-screen 0 640x480x24 -noreset" \
    "build-fuzz/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix=build-fuzz/ "$corpus" \
    >"build-fuzz/$target.log" 2>&1 ||
    status=$?
  rm -rf "$corpus"
  if [ "$status" -eq 0 ]; then
    tail -n 3 "build-fuzz/$target.log"
    passed=$((passed + 1))
  else
    tail -n 40 "build-fuzz/$target.log"
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
took "the fuzzing runs"
[ "$failed" -eq 0 ]
