# Sourced by the scripts that build a library from Debian's source package.
# `debian_source PACKAGE PATTERN SRCROOT [BUILD_FILE]` unpacks Debian's source
# of PACKAGE (with Debian's patches) into SRCROOT once and prints its folder
# (matching PATTERN and holding BUILD_FILE, CMakeLists.txt unless named); it
# tries the versions the archive lists, newest first, as a mirror may lack the
# newest.
debian_source() {
  local package=$1 pattern=$2 srcroot=$3 marker=${4:-CMakeLists.txt} dir version
  dir=$(find "$srcroot" -mindepth 1 -maxdepth 1 -type d -name "$pattern" | sort | tail -n 1)
  if [ -z "$dir" ] || [ ! -f "$dir/$marker" ]; then
    command -v apt-get >/dev/null || { echo "$(basename "$0"): apt-get is needed to fetch $package" >&2; exit 1; }
    for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV | uniq); do
      (cd "$srcroot" && apt-get source -qq "$package=$version" >/dev/null 2>&1) && break
    done
    dir=$(find "$srcroot" -mindepth 1 -maxdepth 1 -type d -name "$pattern" | sort | tail -n 1)
    [ -n "$dir" ] && [ -f "$dir/$marker" ] || { echo "$(basename "$0"): no $package source in $srcroot" >&2; exit 1; }
  fi
  echo "$dir"
}
