#!/usr/bin/env bash
# Sets up, builds and runs the Zirbel saver full screen on the current X11 or
# Wayland display. With no display it renders a few seconds offscreen into an
# animated WebP file, which a web browser plays, and says where it is.
# Usage: tools/run.sh      (as root on Debian 12 it installs what the Linux
#                           build needs; ZIRBEL_SKIP_SETUP=1 skips that)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "$(id -u)" = 0 ] && [ -z "${ZIRBEL_SKIP_SETUP:-}" ]; then
  tools/setup-debian.sh --linux-only
fi
cmake --preset linux >/dev/null

bin="$root/build/linux/zirbel"
if [ -n "${WAYLAND_DISPLAY:-}" ] || { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }; then
  cmake --build --preset linux -j "$(nproc)" --target zirbel zirbel-config
  echo "Zirbel is running full screen; any key other than the controls ends it."
  exec "$bin" /s
fi

# No display: render offscreen on a private Xvfb, four seconds at 8 frames a
# second, looping (about 1 MB).
cmake --build --preset linux -j "$(nproc)" --target zirbel-render
out="$root/build/zirbel.webp"
source "$root/tests/e2e/lib.sh"
xvfb=
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true' EXIT
start_xvfb 1280x720x24 || { echo "run.sh: no display, and Xvfb would not start" >&2; exit 1; }
export DISPLAY=$xvfb_display
"$root/build/linux/zirbel-render" --size 960x540 --levels 3 --from 4 --seconds 8 --every 3 \
  --animation-size 640x360 --output "$out"
echo "No display: rendered 4 seconds of the saver offscreen to"
echo "  $out"
echo "Open it in a web browser to watch it (it loops)."
