#!/usr/bin/env bash
# Builds static zlib, libpng and libjpeg-turbo (libjpeg 6b API, no SIMD) for
# WebAssembly with Emscripten from Debian's source packages, and installs them
# into $ZIRBEL_DEPS_DIR/wasm (default build/_deps/wasm): lib/libz.a,
# lib/libpng.a, lib/libjpeg.a and include/. Emscripten's own ports are not
# used: they download their sources at build time.
#
# A second run costs nothing while the stamp matches this script.
# ZIRBEL_JOBS sets the build parallelism (default 2).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
deps="${ZIRBEL_DEPS_DIR:-$here/build/_deps}"
prefix="$deps/wasm"
stamp="$prefix/.stamp"
jobs=${ZIRBEL_JOBS:-2}
want_stamp="wasm $(cat "$0" "$(dirname "$0")/debian-source.sh" | sha256sum | cut -d' ' -f1)"
if [ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/lib/libpng.a" ] && [ -f "$prefix/lib/libz.a" ] &&
   [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want_stamp" ]; then
  echo "wasm libraries are up to date ($prefix)"
  exit 0
fi
for tool in emcmake emcc cmake; do
  command -v "$tool" >/dev/null || { echo "build-wasm-libraries: '$tool' not found" >&2; exit 1; }
done
# Emscripten's JavaScript optimizer needs Debian's acorn, which a node from
# elsewhere does not find by itself.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

srcroot="$deps/src"
mkdir -p "$srcroot"
source "$(dirname "$0")/debian-source.sh"
zsrc=$(debian_source zlib 'zlib-*' "$srcroot")
psrc=$(debian_source libpng1.6 'libpng1.6-*' "$srcroot")
jsrc=$(debian_source libjpeg-turbo 'libjpeg-turbo-*' "$srcroot")

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
common=("${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS=-O2)

work="$deps/wasm-build"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/lib" "$prefix/include"
log="$work.log"
: >"$log"
fail() { tail -n 50 "$log" >&2; exit 1; }

# zlib: its CMake project wants a Windows resource that Debian's source
# leaves out, so its library sources (without the gz file functions, which
# libpng does not use) are compiled directly.
mkdir -p "$work/zlib"
cp "$zsrc/zconf.h.in" "$work/zlib/zconf.h"
for name in adler32 compress crc32 deflate infback inffast inflate inftrees trees uncompr zutil; do
  emcc -O2 -I"$work/zlib" -c "$zsrc/$name.c" -o "$work/zlib/$name.o" >>"$log" 2>&1 || fail
done
emar rcs "$prefix/lib/libz.a" "$work/zlib"/*.o >>"$log" 2>&1 || fail
cp "$zsrc/zlib.h" "$work/zlib/zconf.h" "$prefix/include/"

emcmake cmake -S "$psrc" -B "$work/png" "${common[@]}" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF \
  -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" >>"$log" 2>&1 || fail
cmake --build "$work/png" --target png_static -j "$jobs" >>"$log" 2>&1 || fail
cp "$work/png/libpng16.a" "$prefix/lib/libpng.a"
cp "$psrc/png.h" "$psrc/pngconf.h" "$work/png/pnglibconf.h" "$prefix/include/"

# CMake misreads the size of size_t from a WebAssembly object; it is 4.
emcmake cmake -S "$jsrc" -B "$work/jpeg" "${common[@]}" \
  -DENABLE_SHARED=0 -DENABLE_STATIC=1 -DWITH_TURBOJPEG=0 -DWITH_JPEG7=0 -DWITH_JPEG8=0 -DWITH_SIMD=0 \
  -DHAVE_SIZE_T=TRUE -DSIZE_T=4 \
  >>"$log" 2>&1 || fail
cmake --build "$work/jpeg" --target jpeg-static -j "$jobs" >>"$log" 2>&1 || fail
cp "$work/jpeg/libjpeg.a" "$prefix/lib/libjpeg.a"
cp "$jsrc/jpeglib.h" "$jsrc/jmorecfg.h" "$jsrc/jerror.h" "$work/jpeg/jconfig.h" "$prefix/include/"
grep -q '^#define JPEG_LIB_VERSION  *62' "$prefix/include/jconfig.h" ||
  { echo "build-wasm-libraries: expected JPEG_LIB_VERSION 62" >&2; exit 1; }

echo "$want_stamp" >"$stamp"
rm -rf "$work"
echo "wasm libraries installed in $prefix"
