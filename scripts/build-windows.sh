#!/bin/sh
# Builds RALLYTON for 32-bit Windows on Debian and leaves
# build-windows/rallyton-VERSION-win32.zip (installing what is missing).
#
# Allegro 4.4 comes from Debian's source package, checked against the
# checksum in its .dsc, patched with packaging/windows/allegro-*.patch and
# cross-built once as a static library into build-windows/allegro/. ENet,
# for network play, comes from the tarball ENET_SOURCE names, else from
# Debian's source package, and is built once into build-windows/enet/;
# miniupnpc, likewise from Debian's, into build-windows/miniupnpc/. The
# datafile, the icon and the instruments come from a native build, since
# the asset program and Allegro's dat run here, not on Windows.
set -eu
[ -z "${ENET_SOURCE:-}" ] || ENET_SOURCE=$(realpath -m "$ENET_SOURCE")  # before the cd below
cd "$(dirname "$0")/.."
top=$PWD
out=$top/build-windows
scripts/setup.sh windows

# debian_source PACKAGE DIR: fetches Debian's source package into DIR and
# prints its original tarball, checked against the checksum in its .dsc
# (status 1: not fetched; 2: not the .dsc's, and said so).
# The Debian patches' tarball may be missing from a mirror; the original
# source is all we use, so a failure is judged by what arrived.
debian_source() {
  mkdir -p "$2"
  (cd "$2" && apt-get source --download-only "$1" >download.log 2>&1) || true
  dsc=$(ls "$2/$1"_*.dsc 2>/dev/null | head -n 1)
  tarball=$(ls "$2/$1"_*.orig.tar.* 2>/dev/null | head -n 1)
  [ -n "$dsc" ] && [ -n "$tarball" ] || return 1
  want=$(awk -v f="$(basename "$tarball")" '/^Checksums-Sha256:/ { s = 1; next } /^[^ ]/ { s = 0 } s && $3 == f { print $1 }' "$dsc")
  if [ -z "$want" ] || [ "$want" != "$(sha256sum "$tarball" | cut -d' ' -f1)" ]; then
    echo "build-windows: $(basename "$tarball") does not match the checksum in $(basename "$dsc")" >&2
    return 2
  fi
  echo "$tarball"
}
toolchain=packaging/windows/mingw-i686.cmake

# ---- Allegro, built once -------------------------------------------------
allegro=$out/allegro
patches=$(ls packaging/windows/allegro-*.patch)
stamp=$(cat $toolchain $patches | sha256sum | cut -c1-16)
if [ "$(cat "$allegro/stamp" 2>/dev/null)" != "$stamp" ]; then
  rm -rf "$allegro"
  tarball=$(debian_source allegro4.4 "$allegro/download") || {
    [ $? -eq 2 ] && exit 1
    cat "$allegro/download/download.log" >&2
    echo "build-windows: cannot fetch Allegro's source package (allegro4.4)" >&2
    exit 1
  }
  mkdir -p "$allegro/source"
  tar -xf "$tarball" -C "$allegro/source" --strip-components=1
  for p in $patches; do
    echo "Patching Allegro: $(basename "$p")"
    patch -d "$allegro/source" -p1 --quiet <"$p"
  done
  cmake -S "$allegro/source" -B "$allegro/build" -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$top/$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$allegro/install" -DSHARED=OFF -DWANT_ALLEGROGL=OFF -DWANT_LOADPNG=OFF \
    -DWANT_LOGG=OFF -DWANT_JPGALLEG=OFF -DWANT_EXAMPLES=OFF -DWANT_TOOLS=OFF -DWANT_TESTS=OFF -DWANT_DOCS=OFF \
    >"$allegro/configure.log"
  cmake --build "$allegro/build" -j"$(nproc)" >"$allegro/build.log" 2>&1 || {
    tail -n 40 "$allegro/build.log" >&2
    exit 1
  }
  cmake --install "$allegro/build" >/dev/null
  echo "$stamp" >"$allegro/stamp"
fi

# ---- ENet, built once ----------------------------------------------------
# Network play. From the release tarball that ENET_SOURCE names (for a
# mirror that lacks Debian's source package), checked against ENet
# 1.3.17's checksum below; else from Debian's source package, checked
# against its .dsc. Built as a static library with the cross compiler.
ENET_SHA256=79a7e59731f0d51a3ce10026c1bfcf85ee1e09d7998c3e8db30d50aebdd8b9a7
enet=$out/enet
if [ -n "${ENET_SOURCE:-}" ]; then
  have=$(sha256sum "$ENET_SOURCE" 2>/dev/null | cut -d' ' -f1)
  if [ "$have" != "$ENET_SHA256" ]; then
    echo "build-windows: ENET_SOURCE=$ENET_SOURCE is not ENet 1.3.17's release tarball (its SHA-256 is ${have:-unreadable}, not $ENET_SHA256)" >&2
    exit 1
  fi
  tarball=$(realpath "$ENET_SOURCE")
elif [ -f "$enet/install/lib/libenet.a" ]; then
  tarball=""  # built before, from Debian's source package
else
  tarball=$(debian_source enet "$enet/download") || {
    [ $? -eq 2 ] && exit 1
    echo "build-windows: Debian's source package of ENet (enet) cannot be fetched here; set ENET_SOURCE to ENet 1.3.17's release tarball (enet-1.3.17.tar.gz, from ENet's release page)" >&2
    exit 1
  }
fi
stamp=$(cat $toolchain ${tarball:+"$tarball"} | sha256sum | cut -c1-16)
if [ -n "$tarball" ] && [ "$(cat "$enet/stamp" 2>/dev/null)" != "$stamp" ]; then
  rm -rf "$enet/source" "$enet/install" && mkdir -p "$enet/source" "$enet/install/lib" "$enet/install/include"
  tar -xf "$tarball" -C "$enet/source" --strip-components=1
  (cd "$enet/source" && for c in *.c; do i686-w64-mingw32-gcc-win32 -O2 -Iinclude -c "$c" || exit 1; done &&
    i686-w64-mingw32-ar rcs "$enet/install/lib/libenet.a" ./*.o) >"$enet/build.log" 2>&1 || {
    tail -n 40 "$enet/build.log" >&2
    exit 1
  }
  cp -r "$enet/source/include/enet" "$enet/install/include/"
  cp "$enet/source/LICENSE" "$enet/install/LICENSE"
  echo "$stamp" >"$enet/stamp"
fi

# ---- miniupnpc, built once -----------------------------------------------
# The host asks its router for the port through it. From Debian's source
# package, checked against its .dsc; a static library.
upnp=$out/miniupnpc
stamp=$(cat $toolchain | sha256sum | cut -c1-16)
if [ "$(cat "$upnp/stamp" 2>/dev/null)" != "$stamp" ]; then
  rm -rf "$upnp"
  tarball=$(debian_source miniupnpc "$upnp/download") || {
    [ $? -eq 2 ] && exit 1
    cat "$upnp/download/download.log" >&2
    echo "build-windows: cannot fetch miniupnpc's source package (miniupnpc)" >&2
    exit 1
  }
  mkdir -p "$upnp/source"
  tar -xf "$tarball" -C "$upnp/source" --strip-components=1
  cmake -S "$upnp/source" -B "$upnp/build" -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$top/$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$upnp/install" -DUPNPC_BUILD_STATIC=ON \
    -DUPNPC_BUILD_SHARED=OFF -DUPNPC_BUILD_TESTS=OFF -DUPNPC_BUILD_SAMPLE=OFF >"$upnp/configure.log"
  cmake --build "$upnp/build" -j"$(nproc)" >"$upnp/build.log" 2>&1 || {
    tail -n 40 "$upnp/build.log" >&2
    exit 1
  }
  cmake --install "$upnp/build" >/dev/null
  cp "$upnp/source/LICENSE" "$upnp/install/LICENSE"
  echo "$stamp" >"$upnp/stamp"
fi

# ---- the assets, from a native build ---------------------------------------
cmake -S . -B "$out/native" -DRALLYTON_TESTS=OFF >/dev/null
cmake --build "$out/native" -j"$(nproc)" --target datafile

# ---- the game ----------------------------------------------------------------
cmake -S . -B "$out/game" -DCMAKE_TOOLCHAIN_FILE="$top/$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DRALLYTON_TESTS=OFF \
  -DRALLYTON_ALLEGRO_PREFIX="$allegro/install" -DRALLYTON_ENET_PREFIX="$enet/install" -DRALLYTON_UPNP_PREFIX="$upnp/install" \
  -DRALLYTON_NATIVE_BUILD="$out/native" >/dev/null
cmake --build "$out/game" -j"$(nproc)"

# ---- the zip: the same bytes on every build ----------------------------------
version=$(sed -n 's/^#define RALLYTON_VERSION "\(.*\)"$/\1/p' "$out/native/version/version.h")
name=rallyton-$version-win32
rm -rf "${out:?}/$name" "$out/$name.zip"
cmake --install "$out/game" --prefix "$out/$name" >/dev/null
# The program carries three libraries: their terms follow ours.
{
  printf '\n\nrallyton.exe is linked with ENet (network play), under these terms:\n\n'
  cat "$enet/install/LICENSE" && echo
  printf '\n\nwith miniupnpc (asking the router for the port), under these terms:\n\n'
  cat "$upnp/install/LICENSE" && echo
  printf '\n\nand with Allegro 4.4, under these terms:\n\n'
  cat "$allegro/source/docs/txt/license.txt"
} >>"$out/$name/LICENSE"
find "$out/$name" -exec touch -h -d @"$(git log -1 --format=%ct 2>/dev/null || echo 0)" {} +
(cd "$out" && find "$name" -type f | LC_ALL=C sort | grep -v -e 'README.txt$' -e 'LICENSE$' | zip -q -X -D -@ "$name.zip" &&
  printf '%s\n' "$name/LICENSE" "$name/README.txt" | zip -q -X -D -l -@ "$name.zip")
echo "build-windows: $out/$name.zip"
