#!/bin/sh
# Installs the Debian packages RALLYTON needs, and only those missing.
#   scripts/setup.sh play     what building and playing needs
#   scripts/setup.sh windows  that, plus the Windows cross toolchain and
#                             access to Debian's source packages
#   scripts/setup.sh test     all of that, plus what the tests need (Wine too)
set -eu
mode=${1:-play}
need="cmake make g++ pkg-config liballegro4-dev libasound2-dev libxrandr-dev libenet-dev libminiupnpc-dev libstb-dev libsndfile1-dev freepats"
if [ "$mode" = windows ] || [ "$mode" = test ]; then
  need="$need g++-mingw-w64-i686 mingw-w64-tools dpkg-dev icoutils zip"
fi
if [ "$mode" = test ]; then
  need="$need libgtest-dev xvfb xauth xdotool imagemagick x11-utils libx11-dev sox clang libclang-rt-14-dev libbenchmark-dev time bc lintian desktop-file-utils appstream wine wine32:i386 unzip iproute2 nftables miniupnpd-nftables miniupnpc"
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
update=""

# The 32-bit Wine that runs the Windows build is a package of the i386 architecture.
case "$need" in *:i386*)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    update=1
  fi
esac
# Allegro's source for the Windows build comes from Debian's source package:
# add source entries beside the binary ones this machine already uses.
if [ "$mode" != play ] && ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee /etc/apt/sources.list.d/rallyton-src.sources >/dev/null
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | $sudo tee /etc/apt/sources.list.d/rallyton-src.list >/dev/null
  fi
  update=1
fi

missing=""
for p in $need; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing$update" ] && exit 0
$sudo apt-get update -qq
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
