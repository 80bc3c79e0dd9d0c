#!/usr/bin/env bash
# Sets up, builds and runs the Zirbel saver full screen on the current X
# display. With no display it renders a few seconds offscreen to PNG files and
# says where they are.
# Usage: tools/run.sh             (as root on Debian 12; installs what it needs)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "$(id -u)" = 0 ]; then
  tools/setup-debian.sh
fi
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)"

bin="$root/build/linux/zirbel"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Zirbel is running full screen on $DISPLAY; any key other than the controls ends it."
  exec "$bin" /s
fi

# No display: render offscreen on a private Xvfb.
out="$root/build/frames"
mkdir -p "$out"
source "$root/tests/e2e/lib.sh"
start_xvfb
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$xvfb_display
"$root/build/linux/zirbel-render" --size 1280x720 --seconds 4 --every 24 --levels 3 \
  --output "$out/frame-%04d.png"
echo "No display: rendered 4 seconds of the saver offscreen to $out/frame-*.png"
