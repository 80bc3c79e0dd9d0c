#!/usr/bin/env bash
# Remakes resources/zirbel.ico from the orange tile of the photo atlas, and
# the web page's app icons from it.
#
#   tools/icon/make-zirbel-ico.sh [BUILD_DIR]      (default build/linux)
#
# Builds zirbel-icon in BUILD_DIR first. The result is committed; run this
# only when the atlas or the icon's look changes.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/linux}
cmake --build "$build" --target zirbel-icon -j 2 >/dev/null
"$build/tools/icon/zirbel-icon" --mask "$root/resources/zirbel_msk.jpg" --crop 395,2,70 --round --dither 0.5 \
  "$root/resources/zirbel_rgb.jpg" "$root/resources/zirbel.ico"
# The web page's app icons are the same icon, each pixel a square.
python3 "$root/tools/icon/make-web-icons.py"
