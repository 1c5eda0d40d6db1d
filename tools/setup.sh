#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the packages need, when any is missing.
# The program users run is 32-bit: Wine's 32-bit half and the i686 cross compiler come from
# Debian's i386 architecture, which is added first.
set -eu
packages="cmake make g++ clang libclang-rt-14-dev googletest nlohmann-json3-dev libcli11-dev libexpat1-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine64 wine32:i386 fonts-wine fonts-liberation xvfb xauth imagemagick procps util-linux
  nsis pandoc"
sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo
foreign_added=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    foreign_added=1
fi
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && [ $foreign_added = 0 ] && exit 0
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
[ -z "$missing" ] || $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
