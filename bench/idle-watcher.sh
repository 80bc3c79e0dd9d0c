#!/usr/bin/env bash
# The idle watcher's costs, on an Xvfb of its own (MIT-SCREEN-SAVER):
#  1. CPU time and resident memory of `zirbel --on-idle` over MINUTES minutes
#     in which the user never idles (a pointer move every 20 seconds, the
#     stored IdleMinutes of 10), per minute and in all;
#  2. from the idle deadline (the last input plus the delay) to the saver's
#     first frame, and from the key that ends it to the lock request that
#     reaches logind (faked on a private system bus, Password Delay 0), over
#     ROUNDS rounds with a delay of 2 seconds (ZIRBEL_TEST_IDLE_SECONDS); and,
#     beside it, the saver's own start-up (zirbel /s to its first frame).
#   bench/idle-watcher.sh [BUILD_DIR] [MINUTES] [ROUNDS]
# Defaults: build/linux, 10 minutes, 3 rounds. Needs the targets zirbel and
# zirbel_swap_probe, Xvfb, xdotool, dbus-daemon and python3-dbusmock.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/linux}" && pwd)
minutes=${2:-10} rounds=${3:-3}
zirbel=$build/zirbel probe=$build/bench/libzirbel_swap_probe.so
[ -x "$zirbel" ] && [ -f "$probe" ] || { echo "idle-watcher: build zirbel and zirbel_swap_probe in $build" >&2; exit 1; }
source "$root/tests/e2e/lib.sh"
begin_test
start_xvfb 1024x768x24 || { echo "idle-watcher: Xvfb would not start" >&2; exit 1; }
pids+=("$xvfb")
export DISPLAY=$xvfb_display HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-session-bus
mkdir -p "$work/run" "$XDG_CONFIG_HOME/zirbel" && chmod 700 "$work/run"
printf '%s\n' '[Software\Microsoft\Windows\CurrentVersion\Screen Savers]' "Password Delay=0" \
  '[Software\Pomwick\Vostrand]' "LockOnReturn=1" "IdleMinutes=10" >"$XDG_CONFIG_HOME/zirbel/settings.ini"
# Every thread's, those that ended included, to a clock tick.
cpu_ns() { awk -v hz="$(getconf CLK_TCK)" '{printf "%.0f", ($14 + $15) / hz * 1e9}' "/proc/$1/stat"; }
rss_kib() { awk '/^VmRSS:/{print $2}' "/proc/$1/status"; }
watching() { grep -q "watching for" "$work/out.txt"; }
children() { pgrep -P "$1" | head -1 | grep .; }
ms() { awk -v n="$1" 'BEGIN{printf "%.1f", n / 1e6}'; }

# 1. Idle-free minutes.
DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/no-system-bus start_bg "$zirbel" --on-idle
watcher=$saver
wait_for 10 watching || fail "the watcher did not start"
xdotool mousemove 1 1
start_cpu=$(cpu_ns "$watcher") total_start=$start_cpu peak=0
echo "watcher: $(grep "watching for" "$work/out.txt")"
for ((minute = 1; minute <= minutes; ++minute)); do
  for step in 1 2 3; do
    sleep 20
    xdotool mousemove $((step * 10 + minute)) $((step * 10))
  done
  children "$watcher" >/dev/null && fail "a saver started while the user was active"
  now=$(cpu_ns "$watcher") rss=$(rss_kib "$watcher")
  ((rss > peak)) && peak=$rss
  echo "minute $minute: CPU $(ms $((now - start_cpu))) ms, resident $((rss / 1024)).$(((rss % 1024) * 10 / 1024)) MiB"
  start_cpu=$now
done
echo "idle-free total over $minutes min: CPU $(ms $(($(cpu_ns "$watcher") - total_start))) ms," \
  "peak resident $((peak / 1024)).$(((peak % 1024) * 10 / 1024)) MiB"
kill -TERM "$watcher"
wait_for 5 ended "$watcher" || fail "the watcher did not end"

# 2. Deadline to first frame, key to lock request.
start_system_bus
start_logind_mock
offset_ns=$(/usr/bin/python3 -c 'import time; print(time.time_ns() - time.monotonic_ns())')
for ((round = 1; round <= rounds; ++round)); do
  rm -f "$work/swaps"
  xdotool mousemove $((round * 7)) 3
  input_ns=$(date +%s%N)
  ZIRBEL_TEST_IDLE_SECONDS=2 LD_PRELOAD=$probe ZIRBEL_SWAP_LOG=$work/swaps start_bg "$zirbel" --on-idle
  watcher=$saver
  wait_for 10 test -s "$work/swaps" || fail "no frame of the saver"
  first_ns=$(od -An -t u8 -N 8 "$work/swaps" | tr -d ' ')
  echo "round $round: idle deadline to the saver's first frame $(ms $((first_ns + offset_ns - input_ns - 2000000000))) ms"
  window=$(wait_window SaverWindow) && wait_for 5 has_focus "$window" || fail "the saver has no focus"
  before=$(logind_calls Lock)
  key_ns=$(date +%s%N)
  xdotool key q
  lock_called() { [ "$(logind_calls Lock)" -gt "$before" ]; }
  wait_for 5 lock_called || fail "no lock request after the key"
  lock_s=$(grep "^[0-9.]* Lock\b" "$logind_log" | tail -1 | cut -d' ' -f1)
  echo "round $round: ending key to lock request $(awk -v l="$lock_s" -v k="$key_ns" 'BEGIN{printf "%.0f", l * 1000 - k / 1e6}') ms (log to the ms)"
  kill -TERM "$watcher"
  wait_for 5 ended "$watcher" || fail "the watcher did not end"
  # The saver's own start-up, for comparison: zirbel /s to its first frame.
  rm -f "$work/swaps"
  start_ns=$(date +%s%N)
  LD_PRELOAD=$probe ZIRBEL_SWAP_LOG=$work/swaps start_bg "$zirbel" /s
  wait_for 10 test -s "$work/swaps" || fail "no frame of the saver started by hand"
  first_ns=$(od -An -t u8 -N 8 "$work/swaps" | tr -d ' ')
  echo "round $round: zirbel /s by itself, start to first frame $(ms $((first_ns + offset_ns - start_ns))) ms"
  kill -TERM "$saver"
  wait_for 5 ended "$saver" || fail "the saver started by hand did not end"
done
