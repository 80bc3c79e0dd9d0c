#!/usr/bin/env bash
# Installs what Zirbel needs on Debian 12 (run as root) and fetches the
# layer-shell protocol from Debian's wlroots source. Without options it installs
# everything the tests need and cross-builds libjpeg-turbo, libpng, zlib,
# libwebp and libheif (with libde265 and dav1d) for the two MinGW targets; with
# --linux-only it installs only what the Linux build (tools/run.sh) needs and
# builds nothing for Windows; with --web, that
# and the web page's compiler and its libraries (tools/run.sh --web). Safe to
# run again: it skips what is already there.
# Usage: tools/setup-debian.sh [--linux-only | --web]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

linux_only=0 web=1
case "${1:-}" in
  "") ;;
  --linux-only) linux_only=1 web=0 ;;
  --web) linux_only=1 ;;
  *) echo "usage: tools/setup-debian.sh [--linux-only | --web]" >&2; exit 2 ;;
esac

# What the libraries' builds need first (the MinGW ones, then the web page's);
# the rest installs while they build.
tools=(build-essential cmake ninja-build pkg-config ca-certificates dpkg-dev)
web_tools=()
# The Linux build: the program, its dialog, the offscreen renderer, and the
# tests and benchmarks that its preset configures; Xvfb for a display of its own.
pkgs=(
  libx11-dev libxfixes-dev libxrandr-dev libxinerama-dev libxtst-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libjpeg62-turbo-dev libpng-dev libglib2.0-dev libgtk-3-dev libwebp-dev libheif-dev libseccomp-dev
  libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev xkb-data libegl-dev libegl1-mesa
  libxss-dev plasma-wayland-protocols
  libgtest-dev googletest libbenchmark-dev
  xvfb xauth x11-utils
)
# The tests and tools beyond it: the Windows cross-build, its installers (wixl)
# and Wine, the sanitizer and fuzz compiler, the screen-saver daemon, Xorg with
# two dummy monitors, a headless sway, a headless mutter, logind faked on a
# private system bus, the packaging checks, the image generators, and the
# browser the web tests drive.
if [ $linux_only = 0 ]; then
  tools+=(mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64 nasm meson)
  command -v npm >/dev/null || web_tools+=(npm)
  pkgs+=(
    git file mesa-utils libfreetype-dev fonts-dejavu-core xdotool imagemagick libheif-examples webp
    wine64 wixl msitools
    xscreensaver xscreensaver-gl lintian libxml2-utils
    clang libclang-rt-14-dev
    xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
    sway grim wtype
    mutter xwayland dbus python3-dbusmock python3-gi
    chromium
  )
fi
# The web page's compiler (its JavaScript optimizer needs acorn).
if [ $web = 1 ]; then
  web_tools+=(emscripten node-acorn)
fi
missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}
install_missing() {
  local missing
  mapfile -t missing < <(missing "$@")
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "setup: installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

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

if [ -n "$(missing "${tools[@]}" "${web_tools[@]}" "${pkgs[@]}")" ] || [ $need_src = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
fi
install_missing "${tools[@]}"
if [ $linux_only = 1 ]; then install_missing "${pkgs[@]}"; fi

"$here/cmake/fetch-layer-shell.sh"

# Jobs in the background, each into its own log, printed when it ends.
deps="${ZIRBEL_DEPS_DIR:-$here/build/_deps}"
mkdir -p "$deps"
pids=() names=()
chain() {
  local name=$1
  shift
  "$@" >"$deps/setup-$name.log" 2>&1 &
  pids+=($!) names+=("$name")
}
finish_chains() {
  local i failed=0
  for i in "${!pids[@]}"; do
    if wait "${pids[$i]}"; then
      cat "$deps/setup-${names[$i]}.log"
    else
      echo "setup: building ${names[$i]} failed; the end of its log:" >&2
      tail -n 40 "$deps/setup-${names[$i]}.log" >&2
      failed=1
    fi
  done
  return $failed
}
# zlib, libpng, libjpeg-turbo and libwebp for the web page (WebAssembly).
web_libraries() { "$here/cmake/build-wasm-libraries.sh" && "$here/cmake/build-libwebp.sh" wasm; }
# The MinGW toolchain files name the posix threading flavour of the compilers
# (the photo worker is a std::thread); the C libraries build with either.
mingw_libraries() {
  "$here/cmake/build-libjpeg-mingw.sh" "$1" && "$here/cmake/build-libpng-mingw.sh" "$1" &&
    "$here/cmake/build-libwebp.sh" "$1" && "$here/cmake/build-libheif-mingw.sh" "$1"
}
# The DevTools-protocol client the web tests drive the browser with, kept in
# the build tree.
web_driver() {
  local driver="$deps/web-driver"
  [ -f "$driver/node_modules/puppeteer-core/package.json" ] && return 0
  mkdir -p "$driver"
  npm install --prefix "$driver" --no-audit --no-fund --silent puppeteer-core@24 >/dev/null
}
install_missing "${web_tools[@]}"
# The libraries build one after another in the background (each uses both
# processors) while the packages still missing install: downloading and
# unpacking, mostly.
libraries() {
  if [ $web = 1 ]; then web_libraries || return; fi
  if [ $linux_only = 0 ]; then mingw_libraries i686-w64-mingw32 && mingw_libraries x86_64-w64-mingw32; fi
}
chain libraries libraries
if [ $linux_only = 0 ]; then
  chain web-driver web_driver
  install_missing "${pkgs[@]}" || { kill "${pids[@]}" 2>/dev/null; exit 1; }
fi
finish_chains
