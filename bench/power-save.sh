#!/bin/bash
# What the picture costs: the processor time of the game and of the X
# server together over SECONDS (10) of a one-player rally (the paddle left
# alone), each run on a private 1920 x 1080 Xvfb with no sound card. First
# as designed against --power-save at 1x; then, with --power-save, the 1x,
# 2x and 4x windows and full screen, each sending every frame whole
# (RALLYTON_SEND_WHOLE=1) and only what changed, as a ratio to the 1x
# window; last, the title menu at rest at full screen.
#   bench/power-save.sh GAME [SECONDS]
game=$(realpath "$1")
seconds=${2:-10}
. "$(dirname "$0")/../tests/x11-lib.sh"
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }  # user + system, in clock ticks
# run rally|title [ARGUMENTS...]: prints the hundredths of a second used.
run() {
  local when=$1 g0 x0
  shift
  start_xvfb 1920x1080
  start_game "$@"
  if [ "$when" = rally ]; then  # keys to the window under the pointer: full screen takes no focus
    at 11.5 && for _ in 1 2; do xdotool windowfocus --sync "$wid" 2>/dev/null; xdotool key --delay 100 Return; sleep 0.3; done
    sleep 3
  else
    at 13
  fi
  g0=$(cpu "$game_pid") x0=$(cpu "$xvfb_pid")
  sleep "$seconds"
  echo $(($(cpu "$game_pid") - g0 + $(cpu "$xvfb_pid") - x0))
  kill "$game_pid" "$xvfb_pid" && wait "$game_pid" "$xvfb_pid" 2>/dev/null
  game_pid="" xvfb_pid=""
}
ratio() { echo "scale=2; $1 / $2" | bc; }

designed=$(run rally) saving=$(run rally --power-save)
echo "a rally at 1x: as designed $designed, with --power-save $saving hundredths of a second over $seconds s"
one=$saving
printf '%-16s %8s %8s   (--power-save; ratio to the 1x window, %s)\n' "" whole changed "$one"
for how in "--scale 1" "--scale 2" "--scale 4" --fullscreen; do
  whole=$(RALLYTON_SEND_WHOLE=1 run rally --power-save $how) changed=$(run rally --power-save $how)
  printf '%-16s %8s %8s\n' "$how" "$(ratio "$whole" "$one")" "$(ratio "$changed" "$one")"
done
echo "the title menu at rest at full screen: $(run title --power-save --fullscreen) hundredths of a second over $seconds s"
