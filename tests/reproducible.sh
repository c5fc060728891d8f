#!/bin/bash
# The datafile and the patches come out byte for byte the same on every
# build: made again in a scratch folder, they equal the build's.
#   reproducible.sh MAKEASSETS DAT PAT2DAT BUILD_DIR
makeassets=$1 dat=$2 pat2dat=$3 build=$4
. "$(dirname "$0")/x11-lib.sh"
tools=$(dirname "$0")/../tools
mkdir "$scratch/assets" && "$makeassets" "$scratch/assets"
sh "$tools/pack-datafile.sh" "$dat" "$tools/assets.list" "$scratch/assets" "$scratch/data/data.dat" "$scratch/entries.h"
sh "$tools/make-patches.sh" "$pat2dat" "$scratch/patches.dat" \
  "$scratch/assets/tune_bright.mid" "$scratch/assets/tune_mellow.mid" "$scratch/assets/tune_driving.mid"
for f in data/data.dat patches.dat; do check "$f comes out the same" cmp "$scratch/$f" "$build/$f"; done
