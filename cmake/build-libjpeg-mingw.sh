#!/usr/bin/env bash
# Cross-builds a static libjpeg-turbo (libjpeg 6b API, SIMD on) for one MinGW-w64
# triplet from Debian's source package, and installs it into
# build/_deps/libjpeg-<triplet> (lib/libjpeg.a and include/).
#
#   cmake/build-libjpeg-mingw.sh i686-w64-mingw32
#   cmake/build-libjpeg-mingw.sh x86_64-w64-mingw32
#
# A second run costs nothing: the installed library is kept while its stamp
# matches this script and the triplet. Set ZIRBEL_JOBS to change the build
# parallelism (default 2).
set -euo pipefail

source "$(dirname "$0")/mingw-library.sh"
mingw_library libjpeg "${1:-}"
if [ -f "$prefix/lib/libjpeg.a" ] && [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want_stamp" ]; then
  echo "libjpeg for $triplet is up to date ($prefix)"
  exit 0
fi

for tool in "$triplet-gcc" "$triplet-ar" "$triplet-ranlib" nasm cmake; do
  command -v "$tool" >/dev/null || { echo "build-libjpeg-mingw: '$tool' not found" >&2; exit 1; }
done

# The Debian source, with Debian's patches applied, fetched once and shared by
# both triplets.
srcroot="$deps/src"
mkdir -p "$srcroot"
src=$(find "$srcroot" -mindepth 1 -maxdepth 1 -type d -name 'libjpeg-turbo-*' | sort | tail -n 1)
if [ -z "$src" ] || [ ! -f "$src/CMakeLists.txt" ]; then
  command -v apt-get >/dev/null || { echo "build-libjpeg-mingw: apt-get is needed to fetch the source" >&2; exit 1; }
  (cd "$srcroot" && apt-get source -qq libjpeg-turbo)
  src=$(find "$srcroot" -mindepth 1 -maxdepth 1 -type d -name 'libjpeg-turbo-*' | sort | tail -n 1)
  [ -n "$src" ] && [ -f "$src/CMakeLists.txt" ] || { echo "build-libjpeg-mingw: no libjpeg-turbo source in $srcroot" >&2; exit 1; }
fi

work="$deps/libjpeg-build-$triplet"
rm -rf "$work"
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

cmake -S "$src" -B "$work" "${generator[@]}" \
  -DCMAKE_SYSTEM_NAME=Windows \
  -DCMAKE_SYSTEM_PROCESSOR="$processor" \
  -DCMAKE_C_COMPILER="$triplet-gcc" \
  -DCMAKE_RC_COMPILER="$triplet-windres" \
  -DCMAKE_AR="$(command -v "$triplet-ar")" \
  -DCMAKE_RANLIB="$(command -v "$triplet-ranlib")" \
  -DCMAKE_ASM_NASM_COMPILER=nasm \
  -DCMAKE_FIND_ROOT_PATH="/usr/$triplet" \
  -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=0 -DENABLE_STATIC=1 \
  -DWITH_TURBOJPEG=0 -DWITH_JPEG7=0 -DWITH_JPEG8=0 \
  -DWITH_SIMD=1 -DREQUIRE_SIMD=1 \
  >"$work.log" 2>&1 || { cat "$work.log" >&2; exit 1; }

# Only the library is needed, not the command-line programs or the tests.
cmake --build "$work" --target jpeg-static -j "$jobs" >>"$work.log" 2>&1 || { tail -n 50 "$work.log" >&2; exit 1; }

rm -rf "$prefix"
mkdir -p "$prefix/lib" "$prefix/include"
cp "$work/libjpeg.a" "$prefix/lib/libjpeg.a"
cp "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$work/jconfig.h" "$prefix/include/"
grep -q '^#define JPEG_LIB_VERSION  *62' "$prefix/include/jconfig.h" ||
  { echo "build-libjpeg-mingw: expected JPEG_LIB_VERSION 62" >&2; exit 1; }
echo "$want_stamp" >"$stamp"
rm -rf "$work"
echo "libjpeg for $triplet installed in $prefix"
