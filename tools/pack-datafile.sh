#!/bin/sh
# Packs the made assets into the game's datafile, entry by entry in the
# order the game reads them (dat sorts by name unless told -n0; -s1 drops
# dates and paths, so the file comes out the same on every build).
#   pack-datafile.sh DAT_TOOL ASSET_DIR OUTPUT
set -eu
dat=$1
cd "$2"
out=$3
tmp=data.dat.tmp
rm -f "$tmp"
add() { "$dat" -n0 -s1 -c0 -a "$@" >/dev/null; }
add -t BMP "$tmp" 00_table.bmp 01_intro.bmp 02_paddle_left.bmp 03_paddle_right.bmp \
    04_sheen_left.bmp 05_sheen_right.bmp 06_ball_right.bmp 07_ball_left.bmp
add -t FONT "$tmp" 08_font_big.bmp 09_font_small.bmp
add -t DATA "$tmp" 10_about.txt
add -t MIDI "$tmp" 11_bright.mid 12_mellow.mid 13_driving.mid
add -t SAMP "$tmp" 14_hit.wav 15_click.wav
mkdir -p "$(dirname "$out")"
mv "$tmp" "$out"
