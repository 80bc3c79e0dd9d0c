#!/usr/bin/env bash
# The full-screen saver's CPU cost per frame on one monitor and on two of the
# same total size, on a private Xorg server with the dummy driver (Mesa
# llvmpipe), frames counted by the preloaded swap probe.
#   bench/monitors-cpu.sh [BUILD_DIR] [SECONDS] [WARM_UP_SECONDS]
# Defaults: build/linux and 10 seconds per layout, after 15 seconds of warm-up
# (the saver's pacing settles in about 14).
# Run as root (Xorg) from anywhere; needs the targets zirbel and
# zirbel_swap_probe. Prints one line per layout: frames per second, the
# saver's CPU milliseconds per frame (all its threads), and the X server's.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/linux}" && pwd)
seconds=${2:-10} warm_up=${3:-15}
zirbel=$build/zirbel probe=$build/bench/libzirbel_swap_probe.so
[ -x "$zirbel" ] && [ -f "$probe" ] || { echo "monitors-cpu: build the targets zirbel and zirbel_swap_probe in $build" >&2; exit 1; }
source "$root/tests/e2e/lib.sh"
source "$root/tests/e2e/xorg.sh"
hz=$(getconf CLK_TCK)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
frames() { echo $(($(stat -c %s "$work/swaps" 2>/dev/null || echo 0) / 8)); }
more_frames_than() { [ "$(frames)" -gt "$1" ]; }

measure() (  # a layout: the monitors' sizes, left to right; cleaned up on leaving
  begin_test
  if [ -n "${ZIRBEL_CPU_XVFB:-}" ]; then  # one monitor on Xvfb instead
    start_xvfb "${1}x24" || { echo "monitors-cpu: Xvfb would not start" >&2; exit 1; }
    xorg=$xvfb xorg_display=$xvfb_display
    pids+=("$xvfb")
  else
    start_xorg_dummy "$@" || { echo "monitors-cpu: $xorg_why" >&2; exit 1; }
  fi
  export DISPLAY=$xorg_display XDG_CONFIG_HOME=$work/config
  xdotool mousemove 10 10
  LD_PRELOAD=$probe ZIRBEL_SWAP_LOG=$work/swaps "$zirbel" /s >"$work/out.txt" 2>&1 &
  local saver=$!
  pids+=("$saver")
  wait_for 10 more_frames_than 5 || { echo "monitors-cpu: no frames on $*" >&2; exit 1; }
  sleep "$warm_up"
  local f0 c0 x0 t0 f1 c1 x1 t1
  f0=$(frames) c0=$(ticks "$saver") x0=$(ticks "$xorg") t0=${EPOCHREALTIME/./}
  sleep "$seconds"
  f1=$(frames) c1=$(ticks "$saver") x1=$(ticks "$xorg") t1=${EPOCHREALTIME/./}
  xdotool key q
  wait_for 5 ended "$saver" || echo "monitors-cpu: the saver did not end on a key" >&2
  awk -v layout="$*" -v f=$((f1 - f0)) -v c=$((c1 - c0)) -v x=$((x1 - x0)) -v t=$((t1 - t0)) -v hz="$hz" 'BEGIN {
    if (f <= 0) { printf "%-22s no frames\n", layout; exit }
    printf "%-22s %5.1f frames/s  saver %6.2f ms CPU/frame  X server %6.2f ms CPU/frame\n",
           layout, f * 1e6 / t, c * 1000 / hz / f, x * 1000 / hz / f }'
)

echo "$(nproc) CPUs, $seconds s per layout"
# ZIRBEL_CPU_LAYOUT="1280x720" measures that layout alone (bench/web.sh), on
# Xvfb rather than Xorg with ZIRBEL_CPU_XVFB=1.
if [ -n "${ZIRBEL_CPU_LAYOUT:-}" ]; then
  # shellcheck disable=SC2086
  measure $ZIRBEL_CPU_LAYOUT
  exit
fi
measure 2048x768
measure 1024x768 1024x768
# Half the pixels, one kaleidoscope as large as each of the two above: whether
# the cost follows the pixels or the kaleidoscopes.
measure 1024x768
