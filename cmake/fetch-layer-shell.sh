#!/usr/bin/env bash
# Fetches Debian's wlroots source into build/_deps/src (or $ZIRBEL_DEPS_DIR/src,
# as the cache variable of the same name tells CMake) for the one file the
# Wayland host needs from it, protocol/wlr-layer-shell-unstable-v1.xml, from
# which wayland-scanner writes the layer-shell code at build time. Nothing of
# wlroots is built. A second run costs nothing while the file is there.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
srcroot="${ZIRBEL_DEPS_DIR:-$here/build/_deps}/src"
find_xml() {
  [ -d "$srcroot" ] || return 0  # nothing fetched yet
  find "$srcroot" -mindepth 3 -maxdepth 3 -path '*/wlroots-*/protocol/wlr-layer-shell-unstable-v1.xml' 2>/dev/null |
    sort | tail -n 1
}
xml=$(find_xml)
if [ -z "$xml" ]; then
  command -v apt-get >/dev/null || { echo "fetch-layer-shell: apt-get is needed to fetch the source" >&2; exit 1; }
  mkdir -p "$srcroot"
  (cd "$srcroot" && apt-get source -qq wlroots)
  xml=$(find_xml)
  [ -n "$xml" ] || { echo "fetch-layer-shell: no wlr-layer-shell-unstable-v1.xml in $srcroot" >&2; exit 1; }
fi
echo "layer-shell protocol: $xml"
