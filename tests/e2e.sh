#!/bin/bash
# Plays the real program in a real window, as a person would: through the
# intro and the menus into a one-player match, steering, pausing, switching
# sound and music, restarting, leaving, and out through "exit game". Each
# step is checked as pixels in a screenshot. A second run closes the window
# with its close button in the middle of a rally.
#   e2e.sh GAME SEND_CLOSE
set -u
game=$1
send_close=$2
game_dir=$(dirname "$game")
scratch=$(mktemp -d)
. "$(dirname "$0")/x11-lib.sh"
trap finish EXIT
start_xvfb

BLACK=000000
# The first run is measured: its peak memory, through to the exit fade.
[ -x /usr/bin/time ] && game_wrapper="/usr/bin/time -v -o $scratch/time.txt"
start_game
game_wrapper=""
at 0.5; shot delay1
check "black before the intro" eq "$(count delay1 0 0 320 240 $BLACK)" 76800
at 5.0; shot intro
check "the intro image at full strength" eq "$(differing intro "$game_dir/assets/intro.bmp")" 0
at 9.5; shot delay2
check "black after the intro" eq "$(count delay2 0 0 320 240 $BLACK)" 76800
at 11.5; shot menu
check "title in its colour" gt "$(count menu 75 84 160 28 DCDCDC)" 50
check "start game highlighted" gt "$(count menu 60 120 80 12 C8C8C8)" 20
check "exit game dim" gt "$(count menu 200 120 80 12 505050)" 20

press Return
sleep 0.2; shot players
check "players menu: 1 player highlighted" gt "$(count players 60 120 80 12 C8C8C8)" 20
check "players menu: 2 players dim" gt "$(count players 200 120 80 12 505050)" 20
press Return
t_match=$(now)
at "$(echo "$t_match + 3.0" | bc -l)"; shot serve
check "serve: white scores" gt "$(count serve 70 90 40 28 FFFFFF)" 20
check "serve: status line" gt "$(count serve 160 226 160 14 C8C8C8)" 20
xdotool windowfocus --sync "$wid"; xdotool keydown Up; sleep 0.6; xdotool keyup Up
shot steered
red_top=$("$IM" "$scratch/steered.png" -crop 10x30+10+0 +repage -depth 8 txt:- | grep -c -E '#[C-F][0-9A-F][0-5][0-9A-F][0-5][0-9A-F]')
check "UP moved the left paddle to the top" gt "$red_top" 50
at "$(echo "$t_match + 5.2" | bc -l)"; shot rally
check "rally: dark scores" gt "$(count rally 70 90 40 28 0F0F0F)" 20
check "rally: no white scores" eq "$(count rally 70 90 40 28 FFFFFF)" 0

press p; sleep 0.2; shot pause
check "pause: PAUSED" gt "$(count pause 87 90 130 28 BEBEBE)" 40
check "pause: status line under the veil" eq "$(count pause 160 226 160 14 C8C8C8)" 0
press p; sleep 0.2; shot resumed
check "resumed: no PAUSED" eq "$(count resumed 87 90 130 28 BEBEBE)" 0

before=$(count resumed 240 226 80 14 C8C8C8)
press 1; sleep 0.2; shot soundoff
check "sound:off is longer than sound:on" gt "$(count soundoff 240 226 80 14 C8C8C8)" "$before"
before=$(count soundoff 160 226 80 14 C8C8C8)
press 2; sleep 0.2; shot musicoff
check "music:off is longer than music:on" gt "$(count musicoff 160 226 80 14 C8C8C8)" "$before"

# R in a rally (in a countdown it would leave the next countdown short).
for _ in $(seq 40); do
  shot waiting
  [ "$(count waiting 70 90 40 28 0F0F0F)" -gt 20 ] && break
  sleep 0.1
done
press r; sleep 0.15; shot restart
check "restart: the table fades in from black" gt 200 "$(mean restart)"
sleep 1.4; shot restarted
check "restart: a new countdown with white scores" gt "$(count restarted 70 90 40 28 FFFFFF)" 20

press Escape; sleep 1.6; shot title
check "ESC: back at the title menu" gt "$(count title 60 120 80 12 C8C8C8)" 20
press Right; sleep 0.2; shot exitchosen
check "exit game highlighted" gt "$(count exitchosen 200 120 80 12 C8C8C8)" 20
press Return
wait_game 10
check "exit fade ends the program with status 0" eq "$game_status" 0
[ -s "$scratch/time.txt" ] && echo "     peak memory: $(awk -F': ' '/Maximum resident/ {print $2}' "$scratch/time.txt") kB"

# The close button in the middle of a rally.
start_game
at 11.5; press Return; press Return
sleep 5.2; shot second-rally
check "second run: in the rally" gt "$(count second-rally 70 90 40 28 0F0F0F)" 20
"$send_close" "$wid"
closed=$(date +%s.%N)
wait_game 5
check "close button: status 0" eq "$game_status" 0
check "close button: ended at once" [ "$(echo "$(date +%s.%N) - $closed < 1.5" | bc -l)" -eq 1 ]
