#!/bin/sh
# Builds RALLYTON for 32-bit Windows on Debian and leaves
# build-windows/rallyton-VERSION-win32.zip (installing what is missing).
#
# Allegro 4.4 comes from Debian's source package, checked against the
# checksum in its .dsc, patched with packaging/windows/allegro-*.patch and
# cross-built once as a static library into build-windows/allegro/. The
# datafile, the icon and the instruments come from a native build, since
# the asset program and Allegro's dat run here, not on Windows.
set -eu
cd "$(dirname "$0")/.."
top=$PWD
out=$top/build-windows
scripts/setup.sh windows

# ---- Allegro, built once -------------------------------------------------
allegro=$out/allegro
patches=$(ls packaging/windows/allegro-*.patch)
stamp=$(cat packaging/windows/mingw-i686.cmake $patches | sha256sum | cut -c1-16)
if [ "$(cat "$allegro/stamp" 2>/dev/null)" != "$stamp" ]; then
  rm -rf "$allegro"
  mkdir -p "$allegro/download"
  # The Debian patches' tarball may be missing from a mirror; the original
  # source is all we use, so a failure here is judged by what arrived.
  (cd "$allegro/download" && apt-get source --download-only allegro4.4 >download.log 2>&1) || true
  dsc=$(ls "$allegro"/download/allegro4.4_*.dsc 2>/dev/null | head -n 1)
  tarball=$(ls "$allegro"/download/allegro4.4_*.orig.tar.gz 2>/dev/null | head -n 1)
  if [ -z "$dsc" ] || [ -z "$tarball" ]; then
    cat "$allegro/download/download.log" >&2
    echo "build-windows: cannot fetch Allegro's source package (allegro4.4)" >&2
    exit 1
  fi
  want=$(awk -v f="$(basename "$tarball")" '/^Checksums-Sha256:/ { s = 1; next } /^[^ ]/ { s = 0 } s && $3 == f { print $1 }' "$dsc")
  have=$(sha256sum "$tarball" | cut -d' ' -f1)
  if [ -z "$want" ] || [ "$want" != "$have" ]; then
    echo "build-windows: $(basename "$tarball") does not match the checksum in $(basename "$dsc")" >&2
    exit 1
  fi
  mkdir -p "$allegro/source"
  tar -xzf "$tarball" -C "$allegro/source" --strip-components=1
  for p in $patches; do
    echo "Patching Allegro: $(basename "$p")"
    patch -d "$allegro/source" -p1 --quiet <"$p"
  done
  cmake -S "$allegro/source" -B "$allegro/build" -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$top/packaging/windows/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
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

# ---- the assets, from a native build ---------------------------------------
cmake -S . -B "$out/native" -DRALLYTON_TESTS=OFF >/dev/null
cmake --build "$out/native" -j"$(nproc)" --target datafile

# ---- the game ----------------------------------------------------------------
cmake -S . -B "$out/game" -DCMAKE_TOOLCHAIN_FILE="$top/packaging/windows/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DRALLYTON_TESTS=OFF \
  -DRALLYTON_ALLEGRO_PREFIX="$allegro/install" -DRALLYTON_NATIVE_BUILD="$out/native" >/dev/null
cmake --build "$out/game" -j"$(nproc)"

# ---- the zip: the same bytes on every build ----------------------------------
version=$(sed -n 's/^#define RALLYTON_VERSION "\(.*\)"$/\1/p' "$out/native/version/version.h")
name=rallyton-$version-win32
rm -rf "${out:?}/$name" "$out/$name.zip"
cmake --install "$out/game" --prefix "$out/$name" >/dev/null
find "$out/$name" -exec touch -h -d @"$(git log -1 --format=%ct 2>/dev/null || echo 0)" {} +
(cd "$out" && find "$name" -type f | LC_ALL=C sort | grep -v -e 'README.txt$' -e 'LICENSE$' | zip -q -X -D -@ "$name.zip" &&
  printf '%s\n' "$name/LICENSE" "$name/README.txt" | zip -q -X -D -l -@ "$name.zip")
echo "build-windows: $out/$name.zip"
