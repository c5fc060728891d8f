#!/bin/bash
# How the real program starts, or why it does not. Damaged data and no
# display end with one clear line on stderr and status 1; --version
# and command-line mistakes answer without a window (0, 2); command lines
# and settings files open the window they ask for, and a bad value in the
# file costs one line and its default. With no sound card the game says so
# in one line and the ALSA library says nothing; damaged or missing
# instruments for the music cost one line and the music. Never a crash, a
# core or a hang.
#   start-up.sh GAME ASSET_DIR DAT_TOOL
assets=$2 dat=$3
. "$(dirname "$0")/x11-lib.sh"
start_xvfb 1280x1024  # a display of its own, the size the auto zoom is checked on
good=$game_dir/data/data.dat nosound="rallyton: no sound device found; playing without sound"

# A copy of the game in a folder of its own, with no data beside it.
lone=$scratch/lone/rallyton && mkdir -p "$scratch/lone" && cp "$game" "$lone"

# expect NAME STATUS OUTPUT [ENV...] [-- ARGUMENTS...]: runs that copy in
# $scratch/NAME (whose data/ is ready, if it needs one); OUTPUT is all it
# printed on stderr, or the first line on stdout with status 0.
expect() {
  local dir=$scratch/$1 want_status=$2 want=$3 envs=() err status
  shift 3
  while [ $# -gt 0 ] && [ "$1" != -- ]; do envs+=("$1") && shift; done
  mkdir -p "$dir"
  (cd "$dir" && ulimit -c 0 && exec env "${envs[@]}" timeout 20 "$lone" "${@:2}" >"$dir.out" 2>"$dir.err")
  status=$? err=$(cat "$dir.err")
  [ "$want_status" -eq 0 ] && err=$(head -n 1 "$dir.out")$err
  check "$(basename "$dir"): status $status: $err" [ "$status" -eq "$want_status" -a "$err" = "$want" ]
}
data() { mkdir -p "$scratch/$1/data" && echo "$scratch/$1/data/data.dat"; }

data missing >/dev/null
: >"$(data empty)"
head -c -1 "$good" >"$(data cut-late)"
cp "$good" "$(data no-display)"
# A copy packed whole (dat -c2) and cut short, whose check reads the
# unpacked stream up to the cut. (What the check says of each kind of
# damage: the fast suite's tables.)
cp "$good" "$scratch/packed.dat" && "$dat" -c2 -n0 -s1 "$scratch/packed.dat" >/dev/null
head -c -10 "$scratch/packed.dat" >"$(data packed-cut)"

m="rallyton: data/data.dat:"
# Missing: the working directory, the program's folder, the installed data.
expect missing 1 "rallyton: cannot find its datafile; looked for data/data.dat, $scratch/lone/data/data.dat, $(
  sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$game_dir/CMakeCache.txt")/share/games/rallyton/data/data.dat"
expect empty 1 "$m is empty"
expect cut-late 1 "$m is truncated (entry 15 runs past the end of the file)"
expect no-display 1 "rallyton: cannot open a display (is DISPLAY set?)" -u DISPLAY
expect packed-cut 1 "$m is truncated (entry 15 runs past the end of the file)"

expect version 0 "rallyton 1.1" -u DISPLAY -- --power-save --version
expect unknown 2 "$(printf "rallyton: unknown option '-f'\n%s\nTry 'rallyton --help' for more." "$(
  "$game" --help | head -n 2)")" -- --windowed -f  # the usage is --help's
cp "$good" "$(data replay-other)" && head -c 100 "$good" >"$scratch/replay-other/other.rly"
expect replay-other 1 "rallyton: other.rly is not a replay" -- --replay other.rly  # said before any window

# opens NAME SIZE SETTINGS SAID [ARGUMENTS...]: starts the game with that
# settings file (none when SETTINGS is "-") and checks the size of its
# window and all it printed (a line "PATH" stands for the file's path).
opens() {
  local home=$scratch/$1 geometry=none said out
  mkdir -p "$home/rallyton"
  [ "$3" = - ] || printf '%b\n' "$3" >"$home/rallyton/rallyton.cfg"
  said=${4//PATH/$home/rallyton/rallyton.cfg}
  game_wrapper="env XDG_CONFIG_HOME=$home ${sound_env:-}" start_game "${@:5}"
  for _ in $(seq 100); do  # the lines come once start-up is over, after the window
    eval "$(xdotool getwindowgeometry --shell "$wid")" && geometry=${WIDTH}x$HEIGHT out=$(cat "$scratch/game.out")
    [ "$geometry" = "$2" ] && [ "$out" = "$said" ] && break; sleep 0.1
  done
  kill "$game_pid" && wait "$game_pid" 2>/dev/null; game_pid=""  # a clean end: the sound's file is flushed
  check "$1: $geometry: $out" [ "$geometry" = "$2" -a "$out" = "$said" ]
}

s="[rallyton]\n"
opens as-designed 320x240 - "$nosound"
# The program started from another folder finds the data beside it; the
# whole datafile packed (dat -c2) loads and plays.
mkdir -p "$scratch/elsewhere" "$scratch/packed-whole/data" && cp "$scratch/packed.dat" "$scratch/packed-whole/data/data.dat"
game_dir=$scratch/elsewhere opens from-elsewhere 320x240 - "$nosound"
game=$lone game_dir=$scratch/packed-whole opens packed-whole 320x240 - "$nosound"
# The README's own example, as it stands (byte-order marks, CRLF and the
# rest: the fast suite's settings table).
example=$(sed -n '/^    \[rallyton\]$/,/^$/s/^    //p' "$(dirname "$0")/../README.md")
opens readme-example 640x480 "$example" "$nosound"
opens file-auto 960x720 "${s}scale = auto" "$nosound"  # 4 x 320 + 16 is wider than 1280
# A bad value in the file costs one line and its default; the command line wins over the file.
opens file-then-command-line 320x240 "${s}scale = 4\nfullscreen = maybe" "$(printf 'rallyton: PATH: fullscreen = maybe is not a valid value; using the default\n%s' "$nosound")" --scale 1

# The instruments of the software synth, asked for by the sound settings
# (sound to a file): refused or missing, one line, and the game plays its
# sound effects without music.
capture_sound "$scratch/patches.dat"
# (Built with AddressSanitizer, the library's ALSA driver, a module unloaded
# at exit, leaves a few bytes no suppression can name: leaks are not looked
# for in these three.)
sound_env="ALLEGRO=$ALLEGRO HOME=$HOME ASAN_OPTIONS=detect_leaks=0" && unset ALLEGRO
cp "$game_dir/patches.dat" "$scratch/patches.dat"
opens instruments 320x240 - ""
# The index, compressed, says it unpacks to 64 KB.
printf '\xFF\xFF\x00\x00' | dd of="$scratch/patches.dat" bs=1 seek=43 conv=notrunc 2>/dev/null
opens instruments-damaged 320x240 - "rallyton: $scratch/patches.dat: object 0 is damaged; playing without music"
rm "$scratch/patches.dat" && opens instruments-missing 320x240 - "rallyton: DIGMID patch set not found; playing without music"
rm -f "$capture" && game_wrapper="env $sound_env" start_game && title_shown clicked && press Right && sleep 0.5
kill "$game_pid" && wait "$game_pid" 2>/dev/null; game_pid=""
check "... and its sound card still plays: the menu's click, peak $(peak 0) dB" [ "$(echo "$(peak 0) > -40" | bc)" -eq 1 ]
sound_env=""

# The picture as a player sees it, only what changed sent and enlarged:
# the title menu at rest, from a game at 1x and one at 3x side by side,
# every pixel a 3 x 3 block, and the same once another window that covered
# it has gone. In full screen the intro at full strength on a 1280 x 1024
# display, every pixel a 4 x 4 block, centred on black. (Windows at 2x: the scripted
# game's picture.)
player_size=1280x1024 player one --power-save
player_size=1280x1024 player three --power-save --scale 3
on one && title_shown title-1x && convert "$scratch/title-1x.png" -scale 300% "$scratch/want-3x.png"
on three && check "--scale 3: the title menu, pixel for pixel the 1x one enlarged" seen title-3x same title-3x "$scratch/want-3x.png"
another_window 400x300+200+200
differs() { ! same "$@"; }
check "... another window over it, seen there" seen covered differs covered "$scratch/want-3x.png"
kill "$other_pid"
check "... and again once that window has gone" seen uncovered same uncovered "$scratch/want-3x.png"
stop one three
convert "$assets/intro.bmp" -scale 400% -background black -gravity center -extent 1280x1024 "$scratch/want.png"
start_game --fullscreen --power-save && wid=root  # on the last player's display, free again
check "--fullscreen on 1280 x 1024: the intro 4 times, centred, pixel for pixel" seen seen same seen "$scratch/want.png"
stop game
# A screen smaller than the picture: a window, and the real reason.
kill "$xvfb_pid" && start_xvfb 300x200
sound_env="HOME=$scratch/no-home" opens small-screen 320x240 - "$(printf "rallyton: cannot take the whole screen (the screen of 300 x 200 is smaller \
than the game's 320 x 240); playing in the largest window that fits\n%s" "$nosound")" --fullscreen
