#!/bin/sh
# Packs the made assets into the game's datafile, entry by entry in the
# order the game reads them, each named after its file (paddle_left.bmp
# becomes PADDLE_LEFT), and writes the header of those names that the code
# includes (ASSET_PADDLE_LEFT). dat sorts by name unless told -n0; -s1 drops
# dates and paths, so the file comes out the same on every build.
#   pack-datafile.sh DAT_TOOL ASSET_DIR OUTPUT HEADER
set -eu
dat=$1
cd "$2"
out=$3
header=$4
tmp=data.dat.tmp
rm -f "$tmp"
# add TYPE FILE...: appends each file, then renames it from dat's own
# choice (PADDLE_LEFT_BMP) to the file's base name.
add() {
  type=$1
  shift
  for f in "$@"; do
    "$dat" -n0 -s1 -c0 -a -t "$type" "$tmp" "$f" >/dev/null
    "$dat" -n0 -s1 -c0 "$tmp" "$(echo "$f" | tr a-z. A-Z_)" NAME="$(echo "${f%.*}" | tr a-z A-Z)" >/dev/null
  done
}
add BMP table.bmp intro.bmp paddle_left.bmp paddle_right.bmp sheen_left.bmp sheen_right.bmp \
    ball_right.bmp ball_left.bmp
add FONT font_big.bmp font_small.bmp
add DATA about.txt
add MIDI tune_bright.mid tune_mellow.mid tune_driving.mid
add SAMP sound_hit.wav sound_click.wav
mkdir -p "$(dirname "$out")" "$(dirname "$header")"
mv "$tmp" "$out"
"$dat" -h "$header" -p ASSET "$out" >/dev/null
