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
check "the intro image at full strength" seen intro same intro "$game_dir/assets/intro.bmp"
check "the title in its colour, at rest" seen menu more menu 75 84 160 28 DCDCDC 50
check "start game highlighted" more menu 60 120 80 12 C8C8C8 20
press Return && press Return
check "the serve countdown: white scores" seen serve more serve 70 90 40 28 FFFFFF 20
xdotool windowfocus --sync "$wid" keydown Up sleep 0.6 keyup Up
red() { gt "$(/usr/bin/convert "$scratch/steered.png" -crop 10x30+10+0 +repage -depth 8 txt:- | grep -c -E '#[C-F].[0-5].[0-5]')" 50; }
check "UP took the left paddle to the top" seen steered red
check "a rally: dark scores" rally
press p
check "the pause: PAUSED" seen pause more pause 87 90 130 28 BEBEBE 40
press p
not_paused() { eq "$(count resumed 87 90 130 28 BEBEBE)" 0; }
check "P again: no PAUSED" seen resumed not_paused
on=$(count resumed 240 226 80 14 C8C8C8) && press 1
check "1: sound:off is longer than sound:on" seen sound more sound 240 226 80 14 C8C8C8 "$on"
on=$(count sound 160 226 80 14 C8C8C8) && press 2
check "2: music:off is longer than music:on" seen music more music 160 226 80 14 C8C8C8 "$on"
rally && press r
dark() { gt 200 "$(/usr/bin/convert "$scratch/restart.png" -colorspace Gray -format "%[fx:int(1000*mean)]" info:)"; }
check "R: the table fades in from black" seen restart dark
seen serve more serve 70 90 40 28 FFFFFF 20 && press Escape  # ESC works once the fade is over
check "ESC: the title menu, at rest" seen title more title 75 84 160 28 DCDCDC 50
press Right
check "RIGHT: exit game chosen" seen title more title 200 120 80 12 C8C8C8 20
press Return && wait_game 10
check "exit game ends the program with status 0" eq "$game_status" 0
echo "     peak memory: $(awk -F': ' '/Maximum resident/ {print $2}' "$scratch/time.txt") kB"
