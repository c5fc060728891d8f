#!/bin/bash
# Installs the game into a scratch prefix and starts the installed launcher
# from another folder under Xvfb; then builds the .deb with CPack and checks
# its contents and its dependency on the library's runtime package.
#   install.sh BUILD_DIR SEND_CLOSE
set -u
build=$1
send_close=$2
scratch=$(mktemp -d)
. "$(dirname "$0")/x11-lib.sh"
trap finish EXIT

prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/rallyton share/rallyton/rallyton share/rallyton/data/data.dat share/rallyton/patches.dat \
         share/applications/rallyton.desktop share/icons/hicolor/32x32/apps/rallyton.png; do
  check "installed $f" [ -f "$prefix/$f" ]
done
check "the launcher is executable" [ -x "$prefix/bin/rallyton" ]
check "no allegro.cfg beside the game" [ ! -e "$prefix/share/rallyton/allegro.cfg" ]

start_xvfb
game=$prefix/bin/rallyton
game_dir=/
start_game
sleep 0.5
shot installed
check "the installed game shows its first (black) frame" eq "$(count installed 0 0 320 240 000000)" 76800
check "and is still running" kill -0 "$game_pid"
"$send_close" "$wid"
wait_game 5
check "the installed game closes with status 0" eq "$game_status" 0

(cd "$build" && cpack -G DEB -B "$scratch/pkg" >/dev/null 2>&1)
deb=$(ls "$scratch"/pkg/*.deb 2>/dev/null | head -n 1)
check "cpack made a .deb" [ -n "$deb" ]
if [ -n "$deb" ]; then
  contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
  for f in ./usr/bin/rallyton ./usr/share/rallyton/rallyton ./usr/share/rallyton/data/data.dat \
           ./usr/share/rallyton/patches.dat ./usr/share/applications/rallyton.desktop \
           ./usr/share/icons/hicolor/32x32/apps/rallyton.png; do
    check "the .deb holds $f" grep -qx -- "$f" <<<"$contents"
  done
  check "the .deb depends on the library's runtime" grep -q "liballegro4.4" <<<"$(dpkg-deb -f "$deb" Depends)"
  check "the .deb is in section games" [ "$(dpkg-deb -f "$deb" Section)" = games ]
fi
