#!/bin/bash
# Plays the real program in its window as a person would, through its real
# keyboard and timer: the intro, the menus, a one-player match (steering,
# pause, the switches, restart), back to the title and out through "exit
# game"; each step checked in a screenshot. (What each frame holds, pixel
# for pixel, the scripted game of the GoogleTest suite checks.)
#   e2e.sh GAME
game=$1
game_dir=$(dirname "$game")
. "$(dirname "$0")/x11-lib.sh"
start_xvfb

game_wrapper="/usr/bin/time -v -o $scratch/time.txt"  # its peak memory
start_game
at 5.0 && shot intro
check "the intro image at full strength" eq "$(compare -metric AE "$scratch/intro.png" "$game_dir/assets/intro.bmp" null: 2>&1)" 0
at 11.5 && shot menu
check "the title in its colour" gt "$(count menu 75 84 160 28 DCDCDC)" 50
check "start game highlighted" gt "$(count menu 60 120 80 12 C8C8C8)" 20
press Return && press Return
sleep 2.8 && shot serve
check "the serve countdown: white scores" gt "$(count serve 70 90 40 28 FFFFFF)" 20
xdotool windowfocus --sync "$wid" keydown Up sleep 0.6 keyup Up && shot steered
red=$(/usr/bin/convert "$scratch/steered.png" -crop 10x30+10+0 +repage -depth 8 txt:- | grep -c -E '#[C-F].[0-5].[0-5]')
check "UP took the left paddle to the top" gt "$red" 50
rally
check "a rally: dark scores" gt "$(count rally 70 90 40 28 0F0F0F)" 20
press p && shot pause
check "the pause: PAUSED" gt "$(count pause 87 90 130 28 BEBEBE)" 40
press p && shot resumed
check "P again: no PAUSED" eq "$(count resumed 87 90 130 28 BEBEBE)" 0
press 1 && shot sound && press 2 && shot music
check "1: sound:off is longer than sound:on" gt "$(count sound 240 226 80 14 C8C8C8)" "$(count resumed 240 226 80 14 C8C8C8)"
check "2: music:off is longer than music:on" gt "$(count music 160 226 80 14 C8C8C8)" "$(count sound 160 226 80 14 C8C8C8)"
rally && press r && shot restart
check "R: the table fades in from black" gt 200 "$(/usr/bin/convert "$scratch/restart.png" -colorspace Gray -format "%[fx:int(1000*mean)]" info:)"
sleep 1.4 && press Escape && sleep 1.6 && press Right && shot title  # ESC works once the fade is over
check "ESC: the title menu, exit game chosen" gt "$(count title 200 120 80 12 C8C8C8)" 20
press Return && wait_game 10
check "exit game ends the program with status 0" eq "$game_status" 0
echo "     peak memory: $(awk -F': ' '/Maximum resident/ {print $2}' "$scratch/time.txt") kB"
