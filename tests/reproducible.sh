#!/bin/sh
# The datafile and the patches come out byte for byte the same on every
# build: make them again in a scratch folder and compare with the build's.
#   reproducible.sh MAKEASSETS DAT PAT2DAT BUILD_DIR
set -eu
makeassets=$1 dat=$2 pat2dat=$3 build=$4
here=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/assets"
"$makeassets" "$scratch/assets"
sh "$here/tools/pack-datafile.sh" "$dat" "$scratch/assets" "$scratch/data/data.dat" "$scratch/entries.h"
sh "$here/tools/make-patches.sh" "$pat2dat" "$scratch/patches.dat" \
  "$scratch/assets/tune_bright.mid" "$scratch/assets/tune_mellow.mid" "$scratch/assets/tune_driving.mid"
failed=0
for f in data/data.dat patches.dat; do
  if cmp -s "$scratch/$f" "$build/$f"; then echo "ok   $f is the same"; else echo "FAIL $f differs"; failed=1; fi
done
[ $failed -eq 0 ] && echo "2 passed, 0 failed" || echo "failed"
exit $failed
