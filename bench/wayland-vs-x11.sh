#!/usr/bin/env bash
# The saver's frame rate and CPU per frame through Wayland (a headless sway
# with one 1920x1080 output, pixman renderer) against X11 (Xvfb at
# 1920x1080), on the same machine, with Mesa's llvmpipe in both.
#   bench/wayland-vs-x11.sh [SECONDS]      (default 20; run as root from the
#                                           repository root after a linux build)
# Frames are counted by the swap probe (bench/SwapProbe.cpp) preloaded into
# the program; CPU is the program's user and system time over the window,
# and the display server's (sway, Xvfb) beside it.
set -uo pipefail  # no -e: the exit trap (end_test) must run to its end
seconds=${1:-20}
warmup=3
root=$(pwd)
zirbel=$root/build/linux/zirbel
probe=$root/build/linux/bench/libzirbel_swap_probe.so
for f in "$zirbel" "$probe"; do [ -e "$f" ] || { echo "missing $f: build the linux preset first" >&2; exit 1; }; done
source tests/e2e/lib.sh
begin_test
export DISPLAY=
mkdir -p "$work/run" "$work/home" && chmod 700 "$work/run"
[ "$(id -u)" = 0 ] && { as_user true; chown zirbel-test "$work/run" "$work/home"; }

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# measure NAME PROGRAM_PID SERVER_PID LOG: one row of the table.
measure() {
  sleep "$warmup"
  local p0 s0 f0 p1 s1 f1 hz
  hz=$(getconf CLK_TCK)
  p0=$(ticks "$2") s0=$(ticks "$3") f0=$(stat -c %s "$4")
  sleep "$seconds"
  p1=$(ticks "$2") s1=$(ticks "$3") f1=$(stat -c %s "$4")
  awk -v n="$1" -v f=$(((f1 - f0) / 8)) -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v t="$seconds" -v hz="$hz" 'BEGIN {
    printf "| %s | %.1f | %.2f | %.1f%% | %.2f | %.1f%% |\n", n, f / t, 1000 * p / hz / f, 100 * p / hz / t,
      1000 * s / hz / f, 100 * s / hz / t }'
}

echo "| backend | frames/s | program CPU ms/frame | program CPU | server CPU ms/frame | server CPU |"
echo "|---|---|---|---|---|---|"

# X11 under Xvfb.
start_xvfb 1920x1080x24 && pids+=("$xvfb")
DISPLAY=$xvfb_display LD_PRELOAD=$probe ZIRBEL_SWAP_LOG=$work/x11.log HOME=$work/home "$zirbel" --x11 /s \
  >"$work/x11.txt" 2>&1 &
x11=$! && pids+=("$x11")
wait_for 10 test -s "$work/x11.log" || { cat "$work/x11.txt"; exit 1; }
measure "X11 (Xvfb)" "$x11" "$xvfb" "$work/x11.log"
kill "$x11"

# Wayland under a headless sway.
printf 'output HEADLESS-1 resolution 1920x1080 position 0 0\n' >"$work/sway.conf"
wl() { as_user env XDG_RUNTIME_DIR="$work/run" WAYLAND_DISPLAY=wayland-1 "$@"; }
wl env WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=1 WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  sway -c "$work/sway.conf" >"$work/sway.txt" 2>&1 &
pids+=("$!")
wait_for 10 test -S "$work/run/wayland-1"
sway=$(below "$!" sway) && pids+=("$sway")  # ended at the end, and its clients with it
touch "$work/wl.log" && chmod 666 "$work/wl.log"
wl env LD_PRELOAD="$probe" ZIRBEL_SWAP_LOG="$work/wl.log" "$zirbel" /s >"$work/wl.txt" 2>&1 &
pids+=("$!")
wait_for 10 test -s "$work/wl.log" || { cat "$work/wl.txt"; exit 1; }
measure "Wayland (headless sway)" "$(below "$!" zirbel)" "$sway" "$work/wl.log"
