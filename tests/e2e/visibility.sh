#!/bin/bash
# A --window-id instance draws nothing while its window is unmapped, and draws
# again soon after the window is mapped. Frames are counted by the preloaded
# swap probe; the CPU time spent while unmapped is printed, not judged.
#   visibility.sh ZIRBEL PARENT_HELPER SWAP_PROBE
set -u
zirbel=$1 parent_helper=$2 swap_probe=$3
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; cat "$work/out.txt"; exit 1; }
[ -f "$swap_probe" ] || skip "no swap probe at $swap_probe (benchmarks not built)"
command -v xdotool >/dev/null || skip "xdotool is not installed"
xdpyinfo >/dev/null 2>&1 || skip "cannot open display '${DISPLAY:-}'"
work=$(mktemp -d /tmp/zirbel-e2e-XXXXXX)
trap 'exec 3>&-; kill $pid 2>/dev/null; wait; rm -rf "$work"' EXIT

frames() { echo $(($(stat -c %s "$work/swaps" 2>/dev/null || echo 0) / 8)); }
more_frames_than() { [ "$(frames)" -gt "$1" ]; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
wait_for() {  # seconds, command
  for ((i = 0; i < $1 * 20; i++)); do "${@:2}" && return 0; sleep 0.05; done
  return 1
}

# A window from the parent helper, kept until fd 3 closes.
mkfifo "$work/fifo"
"$parent_helper" 320 240 <"$work/fifo" >"$work/parent.txt" &
exec 3>"$work/fifo"
wait_for 5 test -s "$work/parent.txt" || fail "the test parent window did not start"
parent=$(head -1 "$work/parent.txt")
LD_PRELOAD=$swap_probe ZIRBEL_SWAP_LOG=$work/swaps "$zirbel" --window-id "$parent" >"$work/out.txt" 2>&1 &
pid=$!
wait_for 10 more_frames_than 10 || fail "no frames within 10 s"

xdotool windowunmap --sync "$parent"
sleep 0.3  # the frame in flight when the window went
before=$(frames) ticks=$(cpu_ticks)
sleep 2
after=$(frames)
echo "unmapped for 2 s: $((after - before)) frames, $(($(cpu_ticks) - ticks)) CPU ticks of $(getconf CLK_TCK) a second"
[ "$after" = "$before" ] || fail "$((after - before)) frames drawn while the window was unmapped"

xdotool windowmap --sync "$parent"
mapped=$(date +%s%N)
wait_for 1 more_frames_than "$after" || fail "no frame within 1 s of mapping the window again"
echo "first frame $((($(date +%s%N) - mapped) / 1000000)) ms or less after mapping"
kill -0 $pid 2>/dev/null || fail "the program ended"
echo PASS
