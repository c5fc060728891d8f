#!/bin/sh
# Installs the Debian packages RALLYTON needs, and only those missing.
#   scripts/setup.sh play   what building and playing needs
#   scripts/setup.sh test   that, plus what the tests need
set -eu
need="cmake make g++ pkg-config liballegro4-dev libstb-dev libsndfile1-dev freepats"
if [ "${1:-play}" = test ]; then
  need="$need libgtest-dev xvfb xauth xdotool imagemagick x11-utils libx11-dev sox clang libclang-rt-14-dev libbenchmark-dev time bc dpkg-dev lintian desktop-file-utils appstream"
fi
missing=""
for p in $need; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
