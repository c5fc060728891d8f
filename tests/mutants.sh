#!/bin/bash
# Puts each one-line fault of mutants.txt into a scratch copy of the game,
# runs the GoogleTest suite against it (and, for a line that names one, a
# CTest test of the real program, "@start_up FILE|...", or "@windows", the
# Windows build played under Wine against the Linux one), and lists the
# faults that got through. Refuses, in one line, a tree whose suite (or a
# test a line names) fails before any fault. Fails on any fault that got through, did not
# build, or no longer fits the code (stale or malformed): the list must
# keep up with the code. A check of the tests themselves, not part of the
# test run.
#   tests/mutants.sh [SCRATCH_DIR]
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/tmp/rallyton-mutants}
rm -rf "$work/tree" "$work/pristine" && mkdir -p "$work/tree"
tar -C "$here" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$work/tree" -xf -
cp -a "$work/tree" "$work/pristine"  # each fault is undone from this copy, whatever happens to the checkout meanwhile
cmake -S "$work/tree" -B "$work/build" >/dev/null && cmake --build "$work/build" -j"$(nproc)" >/dev/null || exit 1
# The Windows build of the scratch tree (its Allegro and ENet the checkout's
# own, built already), played under Wine against the Linux one.
windows() {
  mkdir -p "$work/tree/build-windows"
  for lib in allegro enet miniupnpc; do ln -sfn "$here/build-windows/$lib" "$work/tree/build-windows/$lib"; done
  (cd "$work/tree" && ENET_SOURCE='' scripts/build-windows.sh >/dev/null 2>&1 &&
    timeout 900 bash tests/windows.sh build-windows/rallyton-*-win32.zip "$work/build" >/dev/null 2>&1)
}
suite() { (cd "$work/build" && timeout 120 xvfb-run -a -s "-screen 0 640x480x24 -noreset" ./tests/rallyton_tests >/dev/null 2>&1); }
# real NAME: the CTest test of the real program of that name, or the Windows build's.
real() { if [ "$1" = windows ]; then windows; else (cd "$work/build" && timeout 600 xvfb-run -a ctest -R "^$1\$" >/dev/null 2>&1); fi; }
# The tree as it is must pass first, or every fault would read "caught":
# the suite, and each real-program test (or the Windows build) a line names.
if ! suite; then
  echo "mutants: the suite fails on the tree as it is (before any fault); no fault can be judged" && exit 1
fi
for name in $(sed -n 's/^@\([a-z_]*\) .*/\1/p' "$work/pristine/tests/mutants.txt" | sort -u); do
  real "$name" || { echo "mutants: the test '$name' fails on the tree as it is; no fault can be judged" && exit 1; }
done
caught=0 by_window=0 slipped=0 broken=0 stale=0
while IFS= read -r line; do
  case $line in '#'* | '') continue ;; esac
  also="" fault=$line
  case $line in @*) also=${line%% *} && also=${also#@} && fault=${line#* } ;; esac
  file=${fault%%|*}
  # FILE|TEXT|REPLACEMENT, the text found exactly once; \| stands for |, \n for a new line.
  if [ "$file" = "$fault" ] || [ ! -f "$work/tree/$file" ] || ! MUTANT=${fault#*|} perl -0pi -e '
      ($from, $to) = map { s/\\n/\n/g; s/\\\|/|/g; $_ } split /(?<!\\)\|/, $ENV{MUTANT}, -1;
      defined $to or die; s/\Q$from\E/$to/g == 1 or die' "$work/tree/$file" 2>/dev/null; then
    echo "STALE   $line" && stale=$((stale + 1))
  elif ! cmake --build "$work/build" >/dev/null 2>&1; then
    echo "BROKEN  $line" && broken=$((broken + 1))
  elif ! suite; then
    caught=$((caught + 1))
  elif [ -n "$also" ] && ! real "$also"; then
    echo "WINDOW  $line" && caught=$((caught + 1)) && by_window=$((by_window + 1))  # the fast suite missed it
  else
    echo "SLIPPED $line" && slipped=$((slipped + 1))
  fi
  [ -f "$work/pristine/$file" ] && cp "$work/pristine/$file" "$work/tree/$file"
done <"$work/pristine/tests/mutants.txt"
cmake --build "$work/build" >/dev/null 2>&1
echo "mutants: $caught caught ($by_window only by a real-window test), $slipped slipped through, $broken did not build, $stale stale or malformed"
[ "$slipped" -eq 0 ] && [ "$broken" -eq 0 ] && [ "$stale" -eq 0 ]
