#!/bin/bash
# The Windows build under Wine, in a Wine virtual desktop on a private Xvfb
# (without a window manager the library's exit can deadlock; the desktop
# avoids that): the icons in the program file, the title menu pixel for
# pixel as the Linux build draws it, ESC out with status 0, network play
# against the Linux build each way round (the Windows side started by its
# launchers), a zoom too large and the close
# button, and the program without its data.
# The Linux frame is the GoogleTest suite's: title-1x.png in its build folder.
#   windows.sh ZIP LINUX_BUILD
zip=$(realpath "$1") linux=$(realpath "$2")
. "$(dirname "$0")/x11-lib.sh"
start_xvfb && wine_display=$DISPLAY

# ---- the icons: two groups, A and ALLEGRO_ICON ------------------------------
unzip -q "$zip" -d "$scratch/zip" && dir=$(echo "$scratch"/zip/*) && exe=$dir/rallyton.exe
check "the zip holds the program, its data, the instruments, the licence, the read-me and the two launchers" \
  test -f "$exe" -a -f "$dir/data/data.dat" -a -f "$dir/patches.dat" -a -f "$dir/LICENSE" -a -f "$dir/README.txt" \
  -a -f "$dir/Host a network game.cmd" -a -f "$dir/Join a network game.cmd"
icon_is_ours() {  # the group's one image: 32 x 32, 24-bit, the Linux icon's picture
  wrestool -x --type=group_icon --name="$1" -o "$scratch/$1.ico" "$exe" && icotool -x -o "$scratch/$1.png" "$scratch/$1.ico" &&
    [ "$(icotool -l "$scratch/$1.ico")" = "--icon --index=1 --width=32 --height=32 --bit-depth=24 --palette-size=0" ] &&
    [ "$(compare -metric AE "$scratch/$1.png" "$linux/assets/icon_32.png" null: 2>&1)" = 0 ]
}
for group in A ALLEGRO_ICON; do check "icon group $group: one 32 x 32 image in 24-bit colour, the Linux icon" icon_is_ours $group; done

# ---- Wine -------------------------------------------------------------------
export WINEPREFIX=$scratch/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 640x480 /f >/dev/null 2>&1
wineserver -w

# The zip's program, started in its folder as a double click starts it, its
# window found inside the virtual desktop. What it prints goes to a file of
# its own each time: Wine's desktop, started with the first, keeps writing
# to that one's file.
game_dir=$dir game=rallyton.exe game_wrapper=wine window_match="--name ^rallyton$" window_wait=1200
start_wine() { DISPLAY=$wine_display game_out=$scratch/wine-$RANDOM.out && start_game "$@"; }
# A shot is of the window's 320 x 240 inside, under Wine's frame.
shot() {
  eval "$(xdotool getwindowgeometry --shell "$wid")" && local side=$(((WIDTH - 320) / 2))
  import -window "$wid" -crop "320x240+$side+$((HEIGHT - 240 - side))" +repage "$scratch/$1.png" 2>/dev/null
}
patience=60
title() { seen wine same wine "$linux/title-1x.png"; }  # the title menu, as the Linux build draws it

start_wine
check "the title menu, pixel for pixel the Linux build's" title
press Escape && wait_game 30
check "ESC: the program ends with status 0" eq "$game_status" 0

# ---- network play against the Linux build -------------------------------------
# Each way round over the loopback, the Linux game on a display of its own:
# both players steer (both paddles reach the top), the guest leaves with
# ESC, and the two tick logs agree digest for digest over more than 1,000
# ticks; each build verifies the other guest's recording of its match. A
# port already taken is refused with the same line by both builds;
# the close button in the waiting screen ends the program with status 0.
linux_player() { game=$linux/rallyton game_dir=$linux game_wrapper="" window_match="" player_display="" player "$@"; }
windows_player() { player_display=$wine_display player "$@"; }
# close_box PID: Return on the program's message box (which window is the box, Wine decides) until it
# ends, or at most a minute: then it is ended, and whatever checks its status fails.
close_box() {
  for _ in $(seq 60); do
    for wid in $(xdotool search --name '^rallyton$'); do press Return 2>/dev/null; done
    sleep 1 && ! kill -0 "$1" 2>/dev/null && return
  done
  kill -9 "$1" 2>/dev/null
}
refused() { [ "$2" -eq 1 ] && said "$1" "$in_use"; }  # NAME STATUS: the port taken, said in one line
both_top() { at_top "$1" && at_top "$1" right; }
match() {  # HOST GUEST
  on "$1" && serving "$1-serve" && on "$2" && check "$1 and $2: the serve countdown" serving "$2-serve"
  together "on $1 && hold Up 1.5" "on $2 && hold w 1.5"
  on "$1" && check "... both players steer: both paddles at the top" seen "$1-top" both_top "$1-top"
  together "on $1 && for k in Down Up Down Up Down; do hold \$k 0.6; done" "on $2 && for k in s w s w s; do hold \$k 0.7; done"
  check "... their tick logs agree" agree 1000 "$1" "$2"
  on "$2" && press Escape && on "$1" && check "... ESC on $2: $1 at the title" title_shown "$1-title"
  check "... saying why" said "$1" "the other player left the match"
}
free_ports 28000 2000
in_use="cannot wait for a player on port $port: the port is already in use"
linux_player lhost --host "$port" --no-port-mapping
on lhost && waiting_shown lhost-waiting
windows_player wbusy --host "$port" --no-port-mapping
close_box "$wbusy_pid" && wait_game 1 "$wbusy_pid"
check "the port taken: Windows refuses it with one line, status $game_status" refused wbusy "$game_status"
# The Windows guest through its launcher, typing the address it asks for.
echo "127.0.0.1:$port" >"$scratch/address"
game=cmd game_input=$scratch/address windows_player wguest /c "Join a network game.cmd" --record "$(wine_path "$scratch/wguest.rly")"
match lhost wguest
stop lhost wguest; pkill -9 -f '^rallyton\.exe --join'  # the launcher stopped, and the game it started
# Windows hosts through its launcher (the options after it passed on), and
# the Linux guest joins.
game=cmd windows_player whost /c "Host a network game.cmd" "$port" --no-port-mapping
on whost && check "Windows hosts: the waiting screen" waiting_shown whost-waiting
check "... its port taken: Linux refuses it with the same line" ends 1 "rallyton: $in_use" "$linux/rallyton" --host "$port" --no-port-mapping
linux_player lguest --join "127.0.0.1:$port" --record "$scratch/lguest.rly"
match whost lguest
stop whost lguest; pkill -9 -f '^rallyton\.exe --host'
check "the Linux build verifies the Windows guest's recording" "$linux/rallyton" --replay "$scratch/wguest.rly" --verify
check "the Windows build verifies the Linux guest's recording" wine "$exe" --replay "$(wine_path "$scratch/lguest.rly")" --verify
# A zoom the 640 x 480 desktop has no room for: one line, and the largest
# window that fits, 1x (the waiting screen's panel is where that window has
# it); then the close button (Wine draws it at the top right).
start_wine --scale 3 --host "$((port + 1))" --no-port-mapping
check "--scale 3 on a 640 x 480 desktop: the waiting screen in the 320 x 240 window" waiting_shown wclose-waiting
eval "$(xdotool getwindowgeometry --shell "$wid")" && xdotool mousemove --window "$wid" $((WIDTH - 10)) 10 click 1 && wait_game 30
check "the close button in the waiting screen: status $game_status" eq "$game_status" 0
check "... and said why it plays at 1x" grep -qFx \
  "rallyton: a 960 x 720 window does not fit the 640 x 480 desktop; playing in the 320 x 240 one$(printf '\r')" "$game_out"

# The program alone, with no data anywhere it looks: a message box says why
# (a shortcut has no terminal), and once it is closed the program ends
# with status 1, the same line on stderr.
mkdir -p "$scratch/lone" && cp "$dir/rallyton.exe" "$scratch/lone/"
game_dir=$scratch/lone start_wine
box() { import -window root "$scratch/box.png" 2>/dev/null && gt "$(/usr/bin/convert "$scratch/box.png" -depth 8 txt:- | grep -c '#F5F5F5')" 10000; }
for _ in $(seq 300); do box && break; sleep 0.2; done
check "without its data: a message box" box
close_box "$game_pid" && wait_game 5
check "... and once it is closed, status 1" eq "$game_status" 1
check "... and the line on stderr" grep -qF "rallyton: cannot find its datafile; looked for data\\data.dat, " "$game_out"

