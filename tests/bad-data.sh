#!/bin/bash
# The real program against damaged data and against no display: each case
# ends with one clear line on stderr and status 1, never a crash, a core or
# a hang.
#   bad-data.sh GAME ASSET_DIR DAT_TOOL
game=$1
assets=$2
dat=$3
good=$(dirname "$game")/data/data.dat
. "$(dirname "$0")/x11-lib.sh"
start_xvfb  # a display of its own, so that only the data is at fault

# expect NAME MESSAGE [ENV...]: runs the game in $scratch/NAME, whose data/ is ready.
expect() {
  local dir=$scratch/$1 want=$2 err status
  shift 2
  err=$(cd "$dir" && ulimit -c 0 && env "$@" timeout 20 "$game" 2>&1 >/dev/null)
  status=$?
  err=$(grep -v '^ALSA lib' <<<"$err")
  check "$(basename "$dir"): status $status: $err" [ "$status" -eq 1 -a "$err" = "$want" ]
}
data() { mkdir -p "$scratch/$1/data" && echo "$scratch/$1/data/data.dat"; }

data missing >/dev/null
: >"$(data empty)"
size=$(stat -c %s "$good")
head -c 1000 "$good" >"$(data cut-early)"
head -c $((size - 1)) "$good" >"$(data cut-late)"
head -c 5000 /dev/urandom >"$(data random)"
(cd "$assets" && "$dat" -n0 -s1 -c0 -a -t BMP "$(data few)" table.bmp intro.bmp paddle_left.bmp >/dev/null)
cp "$good" "$(data no-display)"

m="rallyton: data/data.dat:"
expect missing "$m cannot be opened (No such file or directory)"
expect empty "$m is empty"
expect cut-early "$m is truncated (entry 0 runs past the end of the file)"
expect cut-late "$m is truncated (entry 15 runs past the end of the file)"
expect random "$m is not an Allegro datafile"
expect few "$m holds 3 entries; the game needs 16"
expect no-display "rallyton: cannot open a display (is DISPLAY set?)" -u DISPLAY
