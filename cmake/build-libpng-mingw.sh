#!/usr/bin/env bash
# Cross-builds static zlib and libpng for one MinGW-w64 triplet from Debian's
# source packages, and installs both into build/_deps/libpng-<triplet>
# (lib/libpng.a, lib/libz.a and include/).
#
#   cmake/build-libpng-mingw.sh i686-w64-mingw32
#   cmake/build-libpng-mingw.sh x86_64-w64-mingw32
#
# A second run costs nothing while the stamp matches this script and the
# triplet. ZIRBEL_JOBS sets the build parallelism (default 2).
set -euo pipefail

source "$(dirname "$0")/mingw-library.sh"
mingw_library libpng "${1:-}"
if [ -f "$prefix/lib/libpng.a" ] && [ -f "$prefix/lib/libz.a" ] && [ -f "$stamp" ] &&
   [ "$(cat "$stamp")" = "$want_stamp" ]; then
  echo "libpng for $triplet is up to date ($prefix)"
  exit 0
fi

for tool in "$triplet-gcc" "$triplet-ar" "$triplet-ranlib" cmake; do
  command -v "$tool" >/dev/null || { echo "build-libpng-mingw: '$tool' not found" >&2; exit 1; }
done

srcroot="$deps/src"
mkdir -p "$srcroot"

source "$(dirname "$0")/debian-source.sh"
zsrc=$(debian_source zlib 'zlib-*' "$srcroot")
psrc=$(debian_source libpng1.6 'libpng1.6-*' "$srcroot")

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cross=(
  -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR="$processor"
  -DCMAKE_C_COMPILER="$triplet-gcc" -DCMAKE_RC_COMPILER="$triplet-windres"
  -DCMAKE_AR="$(command -v "$triplet-ar")" -DCMAKE_RANLIB="$(command -v "$triplet-ranlib")"
  -DCMAKE_FIND_ROOT_PATH="/usr/$triplet" -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER
  -DCMAKE_BUILD_TYPE=Release
)

work="$deps/libpng-build-$triplet"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/lib" "$prefix/include"
log="$work.log"
: >"$log"

# zlib: only the static library.
cmake -S "$zsrc" -B "$work/zlib" "${generator[@]}" "${cross[@]}" >>"$log" 2>&1 || { cat "$log" >&2; exit 1; }
cmake --build "$work/zlib" --target zlibstatic -j "$jobs" >>"$log" 2>&1 || { tail -n 50 "$log" >&2; exit 1; }
cp "$work/zlib/libzlibstatic.a" "$prefix/lib/libz.a" 2>/dev/null || cp "$work/zlib/libz.a" "$prefix/lib/libz.a"
cp "$zsrc/zlib.h" "$work/zlib/zconf.h" "$prefix/include/"

# libpng against that zlib: static, no tools, no tests.
cmake -S "$psrc" -B "$work/png" "${generator[@]}" "${cross[@]}" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF \
  -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" \
  >>"$log" 2>&1 || { cat "$log" >&2; exit 1; }
cmake --build "$work/png" --target png_static -j "$jobs" >>"$log" 2>&1 || { tail -n 50 "$log" >&2; exit 1; }
cp "$work/png/libpng16.a" "$prefix/lib/libpng.a"
cp "$psrc/png.h" "$psrc/pngconf.h" "$work/png/pnglibconf.h" "$prefix/include/"

echo "$want_stamp" >"$stamp"
rm -rf "$work"
echo "libpng for $triplet installed in $prefix"
