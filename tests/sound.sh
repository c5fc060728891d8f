#!/bin/bash
# Real sound: the game plays into a file through ALSA, with the software
# synth and our patches.dat, and the capture is measured in stretches of
# time: the menu clicks, music from the first serve countdown, hits over the
# music without clipping, silence with both switches off (no stuck note),
# hits alone, the music back, silence with nothing moving in the pause, and
# the music again after it; then the close button, in a rally.
#   sound.sh GAME SEND_CLOSE
game=$1
send_close=$2
game_dir=$(dirname "$game")
. "$(dirname "$0")/x11-lib.sh"
start_xvfb
capture_sound "$game_dir/patches.dat"

start_game
at 11.5 && click1=$(now) && press Right
at 12.3 && click2=$(now) && press Left
at 13.0 && press Return
at 13.5 && match=$(now) && press Return
from() { echo "$1 + $2" | bc; }  # marks are taken as a key goes down, or after a pair
at "$(from "$match" 10.0)" && press 1 && press 2 && off=$(now)  # sound off, then music off
at "$(from "$match" 12.5)" && hits=$(now) && press 1
at "$(from "$match" 16.0)" && back=$(now) && press 2 && press 1
rally && pause=$(now) && press p
sleep 0.3 && shot paused1 && sleep 1.0 && shot paused2
sleep 0.3 && resume=$(now) && press p
sleep 1.2
"$send_close" "$wid"
closed=$(date +%s.%N)
wait_game 5
check "the close button in a rally: status 0" eq "$game_status" 0
check "and at once" eq "$(echo "$(date +%s.%N) - $closed < 1.5" | bc)" 1

check "silent through the intro and the title" quiet 2 8 "intro"
check "the menu clicks" loud "$(from "$click1" -0.05)" 0.3 "click"
check "and again" loud "$(from "$click2" -0.05)" 0.3 "click"
check "silent through the fade into the match" quiet "$(from "$match" 0.4)" 2 "fade"
check "music in the first serve countdown" loud "$(from "$match" 3.0)" 0.5 "music"
peak=$(sox -t raw -r 44100 -e unsigned -b 16 -c 2 -L "$capture" -n stats 2>&1 | awk '/Pk lev dB/ {print $4}')
echo "     peak of the whole capture: $peak dB"
check "hits over the music never reach full scale (peak below 0.9)" [ "$(echo "$peak < -0.92" | bc)" -eq 1 ]
# Notes already sounding die away with their patches' release, about half a
# second: the quiet stretch starts 0.8 s after the keys are up.
check "silent with the sound and the music off" quiet "$(from "$off" 0.8)" 1.2 "both off"
check "the paddle hits alone" loud "$(from "$hits" 0.1)" 3.3 "hits"
check "the music back" loud "$(from "$back" 0.4)" 0.5 "music"
check "silent in the pause" quiet "$(from "$pause" 0.7)" 0.7 "pause"
check "nothing moves in the pause" eq "$(compare -metric AE "$scratch/paused1.png" "$scratch/paused2.png" null: 2>&1)" 0
check "the music again after the pause" loud "$(from "$resume" 0.3)" 0.6 "resumed"
