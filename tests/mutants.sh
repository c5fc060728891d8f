#!/bin/bash
# Puts each one-line fault of mutants.txt into a scratch copy of the game,
# runs the GoogleTest suite against it, and lists the faults it let through.
# A check of the tests themselves, not part of the test run.
#   tests/mutants.sh [SCRATCH_DIR]
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/tmp/rallyton-mutants}
rm -rf "$work/tree" && mkdir -p "$work/tree"
tar -C "$here" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$work/tree" -xf -
cmake -S "$work/tree" -B "$work/build" >/dev/null && cmake --build "$work/build" -j"$(nproc)" >/dev/null || exit 1
caught=0 slipped=0 broken=0
grep -v -e '^#' -e '^$' "$here/tests/mutants.txt" | while IFS= read -r fault; do
  file=${fault%%|*}
  # FILE|TEXT|REPLACEMENT, the text found exactly once; \| stands for |, \n for a new line.
  MUTANT=${fault#*|} perl -0pi -e '($from, $to) = map { s/\\n/\n/g; s/\\\|/|/g; $_ } split /(?<!\\)\|/, $ENV{MUTANT};
    s/\Q$from\E/$to/g == 1 or die "not once: $ENV{MUTANT}\n"' "$work/tree/$file" || exit 1
  if ! cmake --build "$work/build" --target rallyton_tests >/dev/null 2>&1; then
    echo "BROKEN  $fault" && broken=$((broken + 1))
  elif (cd "$work/build" && timeout 120 xvfb-run -a -s "-screen 0 640x480x24 -noreset" ./tests/rallyton_tests \
        --gtest_brief=1 >/dev/null 2>&1); then
    echo "SLIPPED $fault" && slipped=$((slipped + 1))
  else
    caught=$((caught + 1))
  fi
  cp "$here/$file" "$work/tree/$file"
  echo "mutants: $caught caught, $slipped slipped through, $broken did not build" >"$work/summary"
done
cat "$work/summary"
