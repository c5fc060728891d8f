#!/bin/sh
# Packs the made assets into the game's datafile, entry by entry in the
# order of tools/assets.list, each named after its file (paddle_left.bmp
# becomes PADDLE_LEFT), and writes the header that the code includes: dat's
# names of the entries (ASSET_PADDLE_LEFT, ASSET_COUNT) and the type the
# game reads at each (ASSET_TYPES). dat sorts by name unless told -n0; -s1
# drops dates and paths, so the file comes out the same on every build.
#   pack-datafile.sh DAT_TOOL ASSET_LIST ASSET_DIR OUTPUT HEADER
set -eu
dat=$1
list=$2
cd "$3"
out=$4
header=$5
tmp=data.dat.tmp
rm -f "$tmp"

grep -v -e '^#' -e '^$' "$list" | while read -r type f; do
  "$dat" -n0 -s1 -c0 -a -t "$type" "$tmp" "$f" >/dev/null
  "$dat" -n0 -s1 -c0 "$tmp" "$(echo "$f" | tr a-z. A-Z_)" NAME="$(echo "${f%.*}" | tr a-z A-Z)" >/dev/null
done
mkdir -p "$(dirname "$out")" "$(dirname "$header")"
mv "$tmp" "$out"
"$dat" -h "$header.tmp" -p ASSET "$out" >/dev/null
{
  cat "$header.tmp"
  echo
  echo "/* The type the game reads at each entry (0: any, never read). */"
  echo "#define ASSET_TYPES { \\"
  grep -v -e '^#' -e '^$' "$list" | while read -r type f; do
    case $type in
      BMP) echo "  DAT_BITMAP, \\" ;;
      FONT) echo "  DAT_FONT, \\" ;;
      MIDI) echo "  DAT_MIDI, \\" ;;
      SAMP) echo "  DAT_SAMPLE, \\" ;;
      DATA) echo "  0, \\" ;;
      *) echo "pack-datafile.sh: $f: no type the game reads as $type" >&2 && exit 1 ;;
    esac
  done
  echo "}"
} >"$header"
rm -f "$header.tmp"
