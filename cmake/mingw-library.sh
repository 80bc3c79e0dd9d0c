# Sourced by the scripts that cross-build a static library for one MinGW-w64
# triplet. `mingw_library NAME TRIPLET` sets processor, here, deps, prefix
# (build/_deps/NAME-TRIPLET), stamp, jobs (ZIRBEL_JOBS, default 2) and
# want_stamp (the triplet and the checksum of the scripts), or exits on a
# triplet it does not know.
mingw_library() {
  local name=$1
  triplet=${2:?usage: $0 <mingw triplet>}
  case "$triplet" in
    i686-w64-mingw32) processor=x86 ;;
    x86_64-w64-mingw32) processor=AMD64 ;;
    *) echo "build-$name-mingw: unsupported triplet '$triplet'" >&2; exit 2 ;;
  esac
  here=$(cd "$(dirname "$0")/.." && pwd)
  deps="$here/build/_deps"
  prefix="$deps/$name-$triplet"
  stamp="$prefix/.stamp"
  jobs=${ZIRBEL_JOBS:-2}
  want_stamp="$triplet $(cat "$0" "${BASH_SOURCE[0]}" | sha256sum | cut -d' ' -f1)"
}
