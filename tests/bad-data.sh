#!/bin/bash
# The real program against damaged data and a missing display: each case
# must end with one clear line on stderr and a failure status, never a
# crash (status 128 and up), a core or a hang (timeout's 124).
#   bad-data.sh GAME ASSET_DIR DAT_TOOL
set -u
game=$1
assets=$2
dat=$3
good=$(dirname "$game")/data/data.dat
scratch=$(mktemp -d)
. "$(dirname "$0")/x11-lib.sh"
trap finish EXIT
start_xvfb  # a display of its own, so that only the data is at fault

# expect NAME EXPECTED_MESSAGE: runs the game in $scratch/NAME.
expect() {
  local name=$1 want=$2 dir=$scratch/$1
  local err status
  err=$(cd "$dir" && ulimit -c 0 && timeout 20 "$game" 2>&1 >/dev/null | grep -v '^ALSA lib')
  status=${PIPESTATUS[0]}
  status=$(cd "$dir" && ulimit -c 0 && timeout 20 "$game" >/dev/null 2>&1; echo $?)
  if [ "$status" -ne 0 ] && [ "$status" -lt 124 ] && [ "$err" = "$want" ]; then
    passed=$((passed + 1))
    echo "ok   $name: status $status: $err"
  else
    failures=$((failures + 1))
    echo "FAIL $name: status $status, said: $err"
    echo "     wanted: $want"
  fi
}

# case NAME: a folder with data/ ready for the game.
case_dir() { mkdir -p "$scratch/$1/data"; echo "$scratch/$1/data/data.dat"; }

case_dir missing >/dev/null
expect missing "rallyton: data/data.dat: cannot be opened (No such file or directory)"

: > "$(case_dir empty)"
expect empty "rallyton: data/data.dat: is empty"

size=$(stat -c %s "$good")
for cut in 6 1000 $((size / 2)) $((size - 1)); do
  head -c "$cut" "$good" > "$(case_dir "cut-$cut")"
done
expect cut-6 "rallyton: data/data.dat: is truncated"
expect cut-1000 "rallyton: data/data.dat: is truncated (entry 0 runs past the end of the file)"
expect "cut-$((size / 2))" "rallyton: data/data.dat: is truncated (entry 1 runs past the end of the file)"
expect "cut-$((size - 1))" "rallyton: data/data.dat: is truncated (entry 15 runs past the end of the file)"

head -c 5000 /dev/urandom > "$(case_dir random)"
expect random "rallyton: data/data.dat: is not an Allegro datafile"

# Built with dat from the game's own assets, in the wrong shapes.
cp -r "$assets" "$scratch/assets"
cp "$assets/paddle_left.bmp" "$scratch/assets/08_not_a_font.bmp"
cp "$assets/paddle_left.bmp" "$scratch/assets/00_too_small.bmp"
pack() {  # pack FILE TYPE SOURCES...
  local out=$1 type=$2
  shift 2
  (cd "$scratch/assets" && "$dat" -n0 -s1 -c0 -a -t "$type" "$out" "$@" >/dev/null)
}
few=$(case_dir few)
pack "$few" BMP table.bmp intro.bmp paddle_left.bmp
expect few "rallyton: data/data.dat: holds 3 entries; the game needs 16"

wrong=$(case_dir wrong-type)
pack "$wrong" BMP table.bmp intro.bmp paddle_left.bmp paddle_right.bmp \
  sheen_left.bmp sheen_right.bmp ball_right.bmp ball_left.bmp 08_not_a_font.bmp
pack "$wrong" FONT font_small.bmp
pack "$wrong" DATA about.txt
pack "$wrong" MIDI tune_bright.mid tune_mellow.mid tune_driving.mid
pack "$wrong" SAMP sound_hit.wav sound_click.wav
expect wrong-type "rallyton: data/data.dat: entry 8 should be a font"

small=$(case_dir small-background)
pack "$small" BMP 00_too_small.bmp intro.bmp paddle_left.bmp paddle_right.bmp \
  sheen_left.bmp sheen_right.bmp ball_right.bmp ball_left.bmp
pack "$small" FONT font_big.bmp font_small.bmp
pack "$small" DATA about.txt
pack "$small" MIDI tune_bright.mid tune_mellow.mid tune_driving.mid
pack "$small" SAMP sound_hit.wav sound_click.wav
expect small-background "rallyton: data/data.dat: entry 0 should be a 320 x 240 bitmap, not 10 x 60"

# No display at all: the good data, but nowhere to open the window.
cp "$good" "$(case_dir no-display)"
err=$(cd "$scratch/no-display" && env -u DISPLAY timeout 20 "$game" 2>&1 >/dev/null | grep -v '^ALSA lib')
status=$(cd "$scratch/no-display" && env -u DISPLAY timeout 20 "$game" >/dev/null 2>&1; echo $?)
case "$err" in
  "rallyton: cannot open a display (is DISPLAY set?)"*)
    if [ "$status" -ne 0 ] && [ "$status" -lt 124 ]; then
      passed=$((passed + 1)); echo "ok   no-display: status $status: $err"
    else
      failures=$((failures + 1)); echo "FAIL no-display: status $status"
    fi ;;
  *) failures=$((failures + 1)); echo "FAIL no-display: said: $err" ;;
esac

