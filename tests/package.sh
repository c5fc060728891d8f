#!/bin/bash
# The Debian package and the install: the .deb passes lintian, its desktop
# entry and AppStream metadata validate, `cmake --install` lays out the same
# files. (The installed game, played: e2e.sh.)
#   package.sh BUILD_DIR
build=$1
. "$(dirname "$0")/x11-lib.sh"

(cd "$build" && cpack -G DEB -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1)
deb=$(ls "$scratch"/pkg/*.deb 2>/dev/null | head -n 1)
check "cpack made a .deb" [ -n "$deb" ]
[ -n "$deb" ] || exit 1
check "lintian: no error or warning" lintian --fail-on error,warning "$deb"
check "Depends worked out from the binary" grep -q "liballegro4.4 (>= .*libc6 (>=" <<<"$(dpkg-deb -f "$deb" Depends)"
root=$scratch/root && dpkg-deb -x "$deb" "$root"
check "the desktop entry validates" desktop-file-validate "$root/usr/share/applications/rallyton.desktop"
check "the AppStream metadata validates" appstreamcli validate --no-net --pedantic "$root"/usr/share/metainfo/*.xml
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
check "cmake --install lays out the same files" \
  diff <(cd "$root/usr" && find . | sort) <(cd "$scratch/prefix" && find . | sort)

