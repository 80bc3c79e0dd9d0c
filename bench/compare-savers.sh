#!/bin/sh
# Measures the Linux saver against peer GL programs under Xvfb at 1920 x 1080
# with Mesa llvmpipe, and writes the table to bench/savers.md (or to the first
# argument when it is not an option). Other arguments go to bench_savers.
# Run as root from the repository root on Debian 12; installs the peers
# (glslideshow and kaleidocycle from xscreensaver-gl, photopile from
# xscreensaver-gl-extra) and glxgears (mesa-utils) when they are missing.
# Takes about 11 minutes.
set -eu
cd "$(dirname "$0")/.."
out=bench/savers.md
case "${1:-}" in
  ''|-*) ;;
  *) out=$1; shift ;;
esac

missing=
for p in xscreensaver-gl xscreensaver-gl-extra mesa-utils xvfb; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "compare-savers: needs$missing; run as root or install them first" >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
fi

build=${ZIRBEL_BENCH_BUILD:-build/bench}
cmake --preset linux -B "$build" >/dev/null
cmake --build "$build" -j2 --target bench_savers
exec "$build/bench/bench_savers" --markdown "$out" "$@"
