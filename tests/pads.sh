#!/bin/bash
# A pad played for real through the library's Linux joystick driver: the
# driver reads a FIFO named in the library's configuration, a preloaded
# shim answers its questions about the device, and the test writes the
# kernel's js_event records. The first button twice takes the title to a
# match; the stick held up takes the left paddle to the top (the dead
# zone's edges, the second pad and the buttons: the fast suite); Start pauses; the pad gone in play
# leaves the game running, on its keys. Then the window's focus taken away
# in a rally and given back: the pause screen stays until P.
#   pads.sh GAME PAD_SHIM
game=$1
shim=$2
game_dir=$(dirname "$game")
. "$(dirname "$0")/x11-lib.sh"
start_xvfb
mkfifo "$scratch/pad" && mkdir -p "$scratch/cfg"
printf '[joystick]\njoystick_device_0 = %s\n' "$scratch/pad" >"$scratch/cfg/allegro.cfg"
exec 3<>"$scratch/pad"  # held open for writing (and never read here), so that no write blocks
# event TYPE NUMBER VALUE: a js_event (time, value, type, number); type 1 a
# button, 2 an axis (-32767 up or left to 32767).
event() { perl -e 'syswrite(STDOUT, pack("LsCC", 0, $ARGV[2], $ARGV[0], $ARGV[1]))' "$@" >&3; }
button() { event 1 "$1" 1 && sleep 0.15 && event 1 "$1" 0 && sleep 0.15; }

game_wrapper="env HOME=$scratch/cfg ALLEGRO=$scratch/cfg LD_PRELOAD=$shim" start_game --power-save
check "the title menu" title_shown menu
button 0 && button 0
check "the first button twice: the serve countdown of a match" serving serve
event 2 1 -32767
check "the stick held up: the left paddle at the top" seen up at_top up
event 2 1 0 && rally && button 7
check "Start: PAUSED" seen paused paused paused
exec 3>&-  # the pad unplugged
sleep 0.5 && press p
check "the pad gone: the game plays on, P resumes" seen resumed not_paused resumed

# Another window takes the focus in the rally, then gives it back.
rally
another_window 120x40+400+300
xdotool windowfocus --sync "$other_wid" && sleep 0.3 && xdotool windowfocus --sync "$wid"
sleep 0.5 && shot back1 && sleep 1 && shot back2 && kill "$other_pid"
check "the focus gone and back: PAUSED" paused back1
check "... and it stays" eq "$(compare -metric AE "$scratch/back1.png" "$scratch/back2.png" null: 2>&1)" 0
press p
check "P: the rally goes on" seen playing not_paused playing
