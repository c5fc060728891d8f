#!/bin/bash
# Real sound: the game plays into a file through ALSA (no sound card
# needed), with the software synth and our patches.dat, and the captured
# audio is measured in windows of time: the menu click, music from the
# first serve countdown, silence within half a second of the music switch
# (no stuck note), the paddle-hit sound with sound on and none with it off,
# and nothing sounding or moving during the pause.
#   sound.sh GAME SEND_CLOSE
set -u
game=$1
send_close=$2
game_dir=$(dirname "$game")
scratch=$(mktemp -d)
. "$(dirname "$0")/x11-lib.sh"
trap finish EXIT
start_xvfb

capture_sound "$game_dir/patches.dat"

marks=()
mark() { marks+=("$1=$(now)"); }
start_game
# Each mark is taken as its key goes down.
at 11.5; mark click1; press Right
at 12.3; mark click2; press Left
at 13.0; press Return; at 13.5; mark match; press Return
match=${marks[2]#*=}
at "$(echo "$match + 3.6" | bc -l)"; mark musicoff; press 2
at "$(echo "$match + 6.2" | bc -l)"; mark soundoff; press 1
at "$(echo "$match + 8.6" | bc -l)"; mark musicon; press 2
# Pause in a rally: wait for the dark scores of a rally.
for _ in $(seq 60); do
  shot waiting
  [ "$(count waiting 70 90 40 28 0F0F0F)" -gt 20 ] && break
  sleep 0.1
done
mark pause; press p
sleep 0.3; shot paused1
sleep 1.0; shot paused2
sleep 0.3; mark resume; press p
sleep 1.2
"$send_close" "$wid"
wait_game 5
check "the game ends with status 0" eq "$game_status" 0

when() { local m; for m in "${marks[@]}"; do [ "${m%%=*}" = "$1" ] && echo "${m#*=}"; done; }
plus() { echo "$1 + $2" | bc -l; }

echo "     marks: ${marks[*]}"
seconds=$(echo "$(stat -c %s "$capture") / 176400" | bc -l)
echo "     captured ${seconds%.*} s"
check "silent through the intro and the title" quiet 2 8 "intro"
check "menu click sounds" loud "$(plus "$(when click1)" -0.05)" 0.3 "click"
check "and again" loud "$(plus "$(when click2)" -0.05)" 0.3 "click"
check "silent through the fade into the match" quiet "$(plus "$(when match)" 0.4)" 2 "fade"
check "music plays in the first serve countdown" loud "$(plus "$(when match)" 3.0)" 0.5 "music"
# Notes already sounding die away with their patches' release, about half a
# second: the quiet windows start 0.7 s after the key went down.
check "silent half a second after the music switch" quiet "$(plus "$(when musicoff)" 0.7)" 0.4 "music off"
check "the paddle hit sounds" loud "$(plus "$(when musicoff)" 1.1)" 1.4 "hit"
check "no hit sound with sound off" quiet "$(plus "$(when soundoff)" 0.3)" 2.0 "sound off"
check "music audible again" loud "$(plus "$(when musicon)" 0.4)" 0.5 "music on"
check "silent during the pause" quiet "$(plus "$(when pause)" 0.7)" 0.7 "pause"
check "nothing moves during the pause" eq "$(differing paused1 "$scratch/paused2.png")" 0
check "music again after the pause" loud "$(plus "$(when resume)" 0.3)" 0.6 "resumed"
