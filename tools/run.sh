#!/usr/bin/env bash
# Sets up, builds and runs the Zirbel saver full screen on the current X11 or
# Wayland display. With no display it renders a few seconds offscreen into an
# animated WebP file, which a web browser plays, and says where it is.
# With --web it builds the web page instead and serves it on 127.0.0.1
# (port ZIRBEL_WEB_PORT, default 8800) until interrupted.
# Usage: tools/run.sh [--web]  (as root on Debian 12 it installs what the build
#                               needs; ZIRBEL_SKIP_SETUP=1 skips that)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "${1:-}" = --web ]; then
  if [ "$(id -u)" = 0 ] && [ -z "${ZIRBEL_SKIP_SETUP:-}" ]; then
    tools/setup-debian.sh --web
  fi
  cmake --preset web >/dev/null
  cmake --build --preset web -j "$(nproc)"
  port=${ZIRBEL_WEB_PORT:-8800}
  echo "Zirbel's web page: http://127.0.0.1:$port/  (Ctrl+C stops the server)"
  exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$root/build/web/site"
fi

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
