#!/usr/bin/env bash
# Builds libwebp's decoder and demuxer (static, no tools, no encoder) from
# Debian's source package for the web page (WebAssembly) or for one MinGW-w64
# triplet, and installs them into build/_deps/libwebp-<target>
# (lib/libwebp.a, lib/libwebpdemux.a and include/webp/).
#
#   cmake/build-libwebp.sh wasm
#   cmake/build-libwebp.sh i686-w64-mingw32
#   cmake/build-libwebp.sh x86_64-w64-mingw32
#
# A second run costs nothing while the stamp matches this script and the
# target. ZIRBEL_JOBS sets the build parallelism (default 2).
set -euo pipefail

target=${1:?usage: $0 wasm|<mingw triplet>}
here=$(cd "$(dirname "$0")/.." && pwd)
deps="${ZIRBEL_DEPS_DIR:-$here/build/_deps}"
prefix="$deps/libwebp-$target"
stamp="$prefix/.stamp"
jobs=${ZIRBEL_JOBS:-2}
want_stamp="$target $(cat "$0" "$(dirname "$0")/debian-source.sh" | sha256sum | cut -d' ' -f1)"
if [ -f "$prefix/lib/libwebp.a" ] && [ -f "$prefix/lib/libwebpdemux.a" ] && [ -f "$stamp" ] &&
   [ "$(cat "$stamp")" = "$want_stamp" ]; then
  echo "libwebp for $target is up to date ($prefix)"
  exit 0
fi

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
case "$target" in
  wasm)
    export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs" ;;
  i686-w64-mingw32|x86_64-w64-mingw32)
    [ "$target" = i686-w64-mingw32 ] && processor=x86 || processor=AMD64
    cross=(-DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR="$processor" -DCMAKE_C_COMPILER="$target-gcc"
           -DCMAKE_AR="$(command -v "$target-ar")" -DCMAKE_RANLIB="$(command -v "$target-ranlib")"
           -DCMAKE_FIND_ROOT_PATH="/usr/$target" -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DWEBP_USE_THREAD=OFF) ;;
  *) echo "build-libwebp: unknown target '$target'" >&2; exit 2 ;;
esac

srcroot="$deps/src"
mkdir -p "$srcroot"
source "$(dirname "$0")/debian-source.sh"
src=$(debian_source libwebp 'libwebp-*' "$srcroot")

work="$deps/libwebp-build-$target"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/lib" "$prefix/include/webp"
log="$work.log"
failed() { tail -n 50 "$log" >&2; exit 1; }
if [ "$target" = wasm ]; then
  # libwebp's own makefile, in a copy of the source: under Emscripten the
  # configure step would cost more than the build. No threads, no SIMD.
  cp -r "$src/." "$work"
  make -C "$work" -f makefile.unix -j "$jobs" CC=emcc AR=emar ARFLAGS=rs EXTRA_FLAGS= \
    src/libwebpdecoder.a src/demux/libwebpdemux.a >"$log" 2>&1 || failed
  cp "$work/src/libwebpdecoder.a" "$prefix/lib/libwebp.a"
  cp "$work/src/demux/libwebpdemux.a" "$prefix/lib/libwebpdemux.a"
else
  off=()
  for tool in ANIM_UTILS CWEBP DWEBP GIF2WEBP IMG2WEBP VWEBP WEBPINFO LIBWEBPMUX WEBPMUX EXTRAS; do off+=(-DWEBP_BUILD_$tool=OFF); done
  cmake -S "$src" -B "$work" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS=-O2 \
    "${off[@]}" "${cross[@]}" >"$log" 2>&1 || failed
  cmake --build "$work" --target webpdecoder webpdemux -j "$jobs" >>"$log" 2>&1 || failed
  cp "$work/libwebpdecoder.a" "$prefix/lib/libwebp.a"
  cp "$work/libwebpdemux.a" "$prefix/lib/libwebpdemux.a"
fi
cp "$src"/src/webp/{decode,demux,mux_types,types}.h "$prefix/include/webp/"
echo "$want_stamp" >"$stamp"
rm -rf "$work"
echo "libwebp for $target installed in $prefix"
