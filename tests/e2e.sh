#!/bin/bash
# Plays the real program, installed by `cmake --install` and started through
# its launcher from another folder, in its window as a person would, through
# its real keyboard and timer, and listens: its window is of the class its
# desktop entry names; each step is checked in a screenshot, and
# the sound, played into a file through ALSA with the software synth and
# the patches.dat it finds for itself, is measured in stretches of time. The intro and the
# menus (their clicks, silence around them); a one-player match: music in
# the serve countdown, hits over it without clipping and in balance with
# it, the switches (silence with both off, so no stuck note; hits alone;
# the music back), the pause (silence) and the music after it, and out
# through the close button in a rally. (What each frame holds, pixel for
# pixel, and what each key does, the scripted game of the GoogleTest suite
# checks.) Before the close, a pad played for real through the library's
# Linux joystick driver: the driver reads a FIFO named in the library's
# configuration, a preloaded shim answers its questions about the device,
# and the test writes the kernel's js_event records. The stick held up
# takes the left paddle to the top (the dead zone's edges, the second pad
# and the buttons: the fast suite); Start pauses; the pad gone in play
# leaves the game running, on its keys. Then the window's focus taken away
# in a rally and given back: the pause screen stays until P. The balance of music and
# hits is held to 1 dB: the first track is fixed by a preloaded time() (the
# tunes differ in loudness).
#   e2e.sh BUILD_DIR SEND_CLOSE FIXED_TIME_LIBRARY PAD_SHIM
send_close=$2 fixed_time=$3
. "$(dirname "$0")/x11-lib.sh"
cmake --install "$1" --prefix "$scratch/prefix" >/dev/null
game=$scratch/prefix/games/rallyton game_dir=/
start_xvfb && capture_sound
mkfifo "$scratch/pad" && printf '[joystick]\njoystick_device_0 = %s\n' "$scratch/pad" >>"$scratch/cfg/allegro.cfg"
exec 3<>"$scratch/pad"  # held open for writing (and never read here), so that no write blocks
# event TYPE NUMBER VALUE: a js_event (time, value, type, number); type 1 a
# button, 2 an axis (-32767 up or left to 32767).
event() { perl -e 'syswrite(STDOUT, pack("LsCC", 0, $ARGV[2], $ARGV[0], $ARGV[1]))' "$@" >&3; }

game_wrapper="/usr/bin/time -v -o $scratch/time.txt env LD_PRELOAD=$fixed_time:$4" start_game  # and its peak memory
check "the window's class is the desktop entry's StartupWMClass" grep -qx "StartupWMClass=$(xprop -id "$wid" WM_CLASS |
  sed 's/.*", "\(.*\)"/\1/')" "$scratch/prefix/share/applications/rallyton.desktop"
check "the title in its colour, at rest" title_shown menu
click1=$(now) && press Right
sleep 0.8 && click2=$(now) && press Left
sleep 0.5 && press Return
sleep 0.3 && match=$(now) && press Return
check "the serve countdown: white scores" serving serve
# Marks are taken as a key goes down, or after a pair.
at "$match + 10.0" && press 1 && press 2 && off=$(now)  # sound off, then music off
at "$match + 12.5" && hits=$(now) && press 1
at "$match + 16.0" && back=$(now) && press 2 && press 1
rally && pause=$(now) && press p
sleep 1.6 && resume=$(now) && press p
check "P again: no PAUSED" seen resumed not_paused resumed
# The pad, from a new match (R): a player who stops steering loses ten points before long.
sleep 1 && press r && event 2 1 -32767
check "the pad's stick held up: the left paddle at the top" seen up at_top up
event 2 1 0 && rally && event 1 7 1 && sleep 0.15 && event 1 7 0
check "the pad's Start: PAUSED" seen paused paused paused
exec 3>&-  # the pad unplugged
sleep 0.5 && press p
check "the pad gone: the game plays on, P resumes" seen resumed2 not_paused resumed2
press r && rally && another_window 120x40+400+300  # it takes the focus in the rally, then gives it back
xdotool windowfocus --sync "$other_wid"
check "the focus gone: PAUSED while it is away" seen away paused away
xdotool windowfocus --sync "$wid"
sleep 0.5 && shot back1 && sleep 1 && shot back2 && kill "$other_pid"
check "the focus gone and back: PAUSED" paused back1
check "... and it stays" same back1 "$scratch/back2.png"
press p
check "P: the rally goes on" seen playing not_paused playing
"$send_close" "$wid" && closed=$(date +%s.%N) && wait_game 5
check "the close button: status 0" eq "$game_status" 0
check "and at once" eq "$(echo "$(date +%s.%N) - $closed < 1.5" | bc)" 1
echo "     peak memory: $(awk -F': ' '/Maximum resident/ {print $2}' "$scratch/time.txt") kB"

# The capture starts when the game opens the sound card, before its window
# shows: the first click, the first sound after the intro's silence, tells
# how far the capture runs ahead of the marks (more on a busy machine).
shift=$(echo "$(onset 2) - $click1" | bc)
echo "     the capture runs $shift s ahead of the marks"
from() { echo "$1 + $2 + $shift" | bc; }  # in the capture: T s after MARK
check "silent through the intro and the title" quiet 2 "$(echo "$click1 + $shift - 2.5" | bc)" "intro"
check "the menu clicks" loud "$(from "$click1" -0.1)" 0.7 "click"
check "and again" loud "$(from "$click2" -0.1)" 0.7 "click"
check "silent through the fade into the match" quiet "$(from "$match" 0.7)" 1.7 "fade"
whole=$(peak 0)
check "hits over the music never reach full scale (peak below 0.9): $whole dB" [ "$(echo "$whole < -0.92" | bc)" -eq 1 ]
music=$(level "$(from "$match" 2.8)" 1.7) hit=$(peak "$(from "$hits" 0.1)" 3.3)
check "the music (RMS $music dB) 16.6 dB under a hit (peak $hit dB), within 1 dB" \
  [ "$(echo "d = $music - $hit + 16.6; d < 1 && d > -1" | bc)" -eq 1 ]
# Notes already sounding die away with their patches' release, about half a
# second: the quiet stretch starts 0.8 s after the keys are up.
check "silent with the sound and the music off" quiet "$(from "$off" 0.8)" 1.2 "both off"
check "the paddle hits alone" loud "$(from "$hits" 0.1)" 3.3 "hits"
check "the music back" loud "$(from "$back" 0.4)" 0.5 "music"
check "silent in the pause" quiet "$(from "$pause" 0.7)" 0.7 "pause"
check "the music again after the pause" loud "$(from "$resume" 0.3)" 0.6 "resumed"
