#!/bin/bash
# What --power-save saves: the processor time of the game and of the X
# server over SECONDS (30) of a one-player match, without and then with it,
# in one run, each on a private Xvfb with no sound card.
#   bench/power-save.sh GAME [SECONDS]
game=$(realpath "$1")
seconds=${2:-30}
game_dir=$(dirname "$game")
. "$(dirname "$0")/../tests/x11-lib.sh"
trap '[ -n "${game_pid:-}" ] && kill "$game_pid"; [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid"; rm -rf "$scratch"' EXIT

cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }  # user + system, in clock ticks
hz=$(getconf CLK_TCK)
for how in "" --power-save; do
  start_xvfb
  start_game $how
  at 11.5 && press Return && press Return && sleep 3  # into the match, past the first countdown
  game0=$(cpu "$game_pid") x0=$(cpu "$xvfb_pid")
  sleep "$seconds"
  game1=$(cpu "$game_pid") x1=$(cpu "$xvfb_pid")
  kill "$game_pid" "$xvfb_pid" && wait "$game_pid" "$xvfb_pid" 2>/dev/null
  game_pid="" xvfb_pid=""
  printf '%-13s game %6.2f s   X server %6.2f s   over %s s\n' "${how:-as designed}" \
    "$(echo "($game1 - $game0) / $hz" | bc -l)" "$(echo "($x1 - $x0) / $hz" | bc -l)" "$seconds"
done
