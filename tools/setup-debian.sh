#!/usr/bin/env bash
# Installs everything Zirbel needs on Debian 12 (run as root), then cross-builds
# libjpeg-turbo, libpng and zlib for the two MinGW targets, and fetches the
# layer-shell protocol from Debian's wlroots source. Safe to run again: it skips what is
# already there.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

pkgs=(
  build-essential cmake ninja-build pkg-config git ca-certificates dpkg-dev file
  libx11-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri mesa-utils
  libjpeg62-turbo-dev libpng-dev libglib2.0-dev libgtk-3-dev
  libgtest-dev googletest libbenchmark-dev
  libfreetype-dev fonts-dejavu-core
  xvfb xauth x11-utils xdotool imagemagick libxfixes-dev
  mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64 nasm
  wine64
  xscreensaver xscreensaver-gl lintian libxml2-utils
  clang libclang-rt-14-dev
  libxrandr-dev libxinerama-dev xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev xkb-data libegl-dev libegl1-mesa
  sway grim wtype
  libwebp-dev
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# apt-get source needs a deb-src entry for the Debian archive.
need_src=0
if ! grep -rqs '^\s*\(deb-src\|Types:.*deb-src\)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  need_src=1
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
  else
    echo 'deb-src http://deb.debian.org/debian bookworm main' > /etc/apt/sources.list.d/zirbel-src.list
  fi
fi

if [ ${#missing[@]} -gt 0 ] || [ $need_src = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The MinGW toolchain files name the posix threading flavour of the compilers
# (the photo worker is a std::thread); the C libraries build with either.
"$here/cmake/build-libjpeg-mingw.sh" i686-w64-mingw32
"$here/cmake/build-libjpeg-mingw.sh" x86_64-w64-mingw32
"$here/cmake/build-libpng-mingw.sh" i686-w64-mingw32
"$here/cmake/build-libpng-mingw.sh" x86_64-w64-mingw32
"$here/cmake/fetch-layer-shell.sh"
