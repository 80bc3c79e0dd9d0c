#!/usr/bin/env bash
# Cross-builds static libheif with its two decoders, libde265 (HEIC/HEIF) and
# dav1d (AVIF, 8 and 10 bits, with its assembly), for one MinGW-w64 triplet
# from Debian's source packages, and installs them into
# build/_deps/libheif-<triplet> (lib/libheif.a, lib/libde265.a, lib/libdav1d.a
# and include/). No encoders, plugins, programs, tests or pixbuf loader.
#
#   cmake/build-libheif-mingw.sh i686-w64-mingw32
#   cmake/build-libheif-mingw.sh x86_64-w64-mingw32
#
# A second run costs nothing while the stamp matches this script and the
# triplet. ZIRBEL_JOBS sets the build parallelism (default 2).
set -euo pipefail

source "$(dirname "$0")/mingw-library.sh"
mingw_library libheif "${1:-}"
libs=(libheif.a libde265.a libdav1d.a)
up_to_date() {
  local lib
  for lib in "${libs[@]}"; do [ -f "$prefix/lib/$lib" ] || return 1; done
  [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want_stamp" ]
}
if up_to_date; then
  echo "libheif for $triplet is up to date ($prefix)"
  exit 0
fi

# The C++ libraries take the posix flavour of the compilers, as the saver does
# (libheif starts std::threads); dav1d is C and has its own Windows threads.
cc=$triplet-gcc-posix cxx=$triplet-g++-posix
for tool in "$cc" "$cxx" "$triplet-ar" "$triplet-ranlib" "$triplet-strip" "$triplet-windres" cmake meson ninja nasm; do
  command -v "$tool" >/dev/null || { echo "build-libheif-mingw: '$tool' not found" >&2; exit 1; }
done

srcroot="$deps/src"
mkdir -p "$srcroot"
source "$(dirname "$0")/debian-source.sh"
de265src=$(debian_source libde265 'libde265-*' "$srcroot")
dav1dsrc=$(debian_source dav1d 'dav1d-*' "$srcroot" meson.build)
heifsrc=$(debian_source libheif 'libheif-*' "$srcroot")

work="$deps/libheif-build-$triplet"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/lib" "$prefix/include"
log="$work.log"
: >"$log"
failed() { tail -n 50 "$log" >&2; exit 1; }
# Each part's time, for the setup's own account.
started=$SECONDS
built() { echo "build-libheif-mingw: $1 for $triplet built in $((SECONDS - started)) s"; started=$SECONDS; }
# Nothing of the build machine's own libraries is looked up.
export PKG_CONFIG_LIBDIR="$work/no-pkgconfig" PKG_CONFIG_PATH=
cross=(
  -G Ninja -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR="$processor"
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_RC_COMPILER="$triplet-windres"
  -DCMAKE_AR="$(command -v "$triplet-ar")" -DCMAKE_RANLIB="$(command -v "$triplet-ranlib")"
  -DCMAKE_FIND_ROOT_PATH="/usr/$triplet;$prefix" -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib
  -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF
)

# libde265: the decoder alone (its player and encoder programs off), from a
# copy whose library leaves the encoder out: nothing here encodes, and its
# sources are a good part of the build.
cp -r "$de265src" "$work/de265-src"
de265src=$work/de265-src
sed -i -e '/^add_subdirectory (encoder)$/d' -e 's/ \${ENCODER_OBJECTS}//' -e '/^  en265\.cc$/d' \
  "$de265src/libde265/CMakeLists.txt"
! grep -q 'encoder)\|ENCODER_OBJECTS\|en265\.cc' "$de265src/libde265/CMakeLists.txt" ||
  { echo "build-libheif-mingw: libde265's encoder is not where it was" >&2; exit 1; }
cmake -S "$de265src" -B "$work/de265" "${cross[@]}" -DENABLE_SDL=OFF -DENABLE_DECODER=OFF -DENABLE_ENCODER=OFF \
  >>"$log" 2>&1 || failed
cmake --build "$work/de265" -j "$jobs" >>"$log" 2>&1 || failed
cmake --install "$work/de265" >>"$log" 2>&1 || failed
built libde265

# dav1d through meson, with a cross file for the triplet, from a copy whose
# processor count comes from a call Windows Vista has (GetNativeSystemInfo in
# place of Windows 7's GetThreadGroupAffinity), as the saver runs on Vista.
cp -r "$dav1dsrc" "$work/dav1d-src"
dav1dsrc=$work/dav1d-src
sed -i 's|^#if WINAPI_FAMILY_PARTITION(WINAPI_PARTITION_DESKTOP)$|#if 0 /* GetThreadGroupAffinity: Windows 7 */|' \
  "$dav1dsrc/src/cpu.c"
grep -q 'GetThreadGroupAffinity: Windows 7' "$dav1dsrc/src/cpu.c" ||
  { echo "build-libheif-mingw: dav1d's processor count is not where it was" >&2; exit 1; }
case "$triplet" in i686-*) family=x86 cpu=i686 ;; *) family=x86_64 cpu=x86_64 ;; esac
cat >"$work/cross.ini" <<EOF
[binaries]
c = '$cc'
ar = '$triplet-ar'
strip = '$triplet-strip'
windres = '$triplet-windres'
nasm = 'nasm'
[host_machine]
system = 'windows'
cpu_family = '$family'
cpu = '$cpu'
endian = 'little'
EOF
meson setup "$work/dav1d" "$dav1dsrc" --cross-file "$work/cross.ini" --buildtype release --prefix "$prefix" \
  --libdir lib -Ddefault_library=static -Dbitdepths=8,16 -Denable_asm=true -Denable_tools=false \
  -Denable_tests=false -Denable_examples=false -Denable_docs=false -Dxxhash_muxer=disabled >>"$log" 2>&1 || failed
ninja -C "$work/dav1d" -j "$jobs" >>"$log" 2>&1 || failed
meson install -C "$work/dav1d" --no-rebuild >>"$log" 2>&1 || failed
built dav1d

# libheif with those two built in, nothing else.
heif=(-DENABLE_PLUGIN_LOADING=OFF -DWITH_EXAMPLES=OFF -DWITH_FUZZERS=OFF -DWITH_DEFLATE_HEADER_COMPRESSION=OFF
      -DWITH_LIBDE265=ON -DWITH_LIBDE265_PLUGIN=OFF -DWITH_DAV1D=ON -DWITH_DAV1D_PLUGIN=OFF)
for codec in X265 AOM_DECODER AOM_ENCODER RAV1E SvtEnc; do heif+=(-DWITH_$codec=OFF); done
cmake -S "$heifsrc" -B "$work/heif" "${cross[@]}" "${heif[@]}" -DCMAKE_CXX_FLAGS=-DLIBDE265_STATIC_BUILD \
  -DLIBDE265_INCLUDE_DIR="$prefix/include" -DLIBDE265_LIBRARY="$prefix/lib/libde265.a" \
  -DDAV1D_INCLUDE_DIR="$prefix/include" -DDAV1D_LIBRARY="$prefix/lib/libdav1d.a" >>"$log" 2>&1 || failed
grep -q "libde265 (HEIC decoder): found (built-in)" "$log" && grep -q "Dav1d (AVIF decoder): found (built-in)" "$log" ||
  { echo "build-libheif-mingw: libheif did not take both decoders" >&2; failed; }
cmake --build "$work/heif" --target heif -j "$jobs" >>"$log" 2>&1 || failed
cp "$work/heif/libheif/libheif.a" "$prefix/lib/libheif.a"
mkdir -p "$prefix/include/libheif"
cp "$heifsrc"/libheif/heif{,_plugin}.h "$work/heif/libheif/heif_version.h" "$prefix/include/libheif/"
built libheif

for lib in "${libs[@]}"; do [ -f "$prefix/lib/$lib" ] || { echo "build-libheif-mingw: no $lib" >&2; failed; }; done
echo "$want_stamp" >"$stamp"
rm -rf "$work"
echo "libheif for $triplet installed in $prefix"
