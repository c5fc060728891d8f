#!/bin/bash
# The Debian package and the install: the .deb passes lintian, its desktop
# entry and AppStream metadata validate, `cmake --install` lays out the same
# files, and the game unpacked from the .deb starts through its launcher from
# another folder, shows a window of the class its desktop entry names, finds
# its instruments (music in the first serve countdown) and closes cleanly.
#   package.sh BUILD_DIR SEND_CLOSE
build=$1
send_close=$2
. "$(dirname "$0")/x11-lib.sh"

(cd "$build" && cpack -G DEB -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1)
deb=$(ls "$scratch"/pkg/*.deb 2>/dev/null | head -n 1)
check "cpack made a .deb" [ -n "$deb" ] || exit 1
check "lintian: no error or warning" lintian --fail-on error,warning "$deb"
check "Depends worked out from the binary" grep -q "liballegro4.4 (>= .*libc6 (>=" <<<"$(dpkg-deb -f "$deb" Depends)"
root=$scratch/root
dpkg-deb -x "$deb" "$root"
desktop=$root/usr/share/applications/rallyton.desktop
check "the desktop entry validates" desktop-file-validate "$desktop"
check "the AppStream metadata validates" appstreamcli validate --no-net --pedantic "$root"/usr/share/metainfo/*.xml
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
check "cmake --install lays out the same files" \
  diff <(cd "$root/usr" && find . | sort) <(cd "$scratch/prefix" && find . | sort)

start_xvfb
capture_sound  # no patches named: the game must find its own
game=$root/usr/games/rallyton
game_dir=/
start_game --power-save
class=$(xprop -id "$wid" WM_CLASS | sed 's/.*", "\(.*\)"/\1/')
check "the window's class is the desktop entry's StartupWMClass" \
  [ "StartupWMClass=$class" = "$(grep '^StartupWMClass=' "$desktop")" ]
at 11.5; press Return
match=$(now); press Return
at "$match + 3.6"
"$send_close" "$wid"
wait_game 5
check "the unpacked game closes with status 0" eq "$game_status" 0
check "and played its music" loud "$(echo "$match + 3.0" | bc -l)" 0.5 "music"
