#!/usr/bin/env bash
# The time from the key that ends the full-screen saver after its grace
# period to the lock request that logind receives (Session.Lock), with logind
# faked by python3-dbusmock on a private system bus, on an X display of its
# own (Xvfb). Goal: under 100 ms.
#   bench/lock-on-return.sh [BUILD_DIR] [RUNS]
# Defaults: build/linux and 10 runs. The key's time is taken just before
# xdotool starts, the request's from the mock's log (millisecond stamps), so
# each figure includes xdotool's own start and the mock's dispatch. Prints
# each run and the minimum, median and maximum in milliseconds.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/linux}" && pwd)
runs=${2:-10}
zirbel=$build/zirbel
[ -x "$zirbel" ] || { echo "lock-on-return: build the target zirbel in $build" >&2; exit 1; }
source "$root/tests/e2e/lib.sh"
begin_test
start_xvfb 1280x720x24 || { echo "lock-on-return: Xvfb did not start" >&2; exit 1; }
pids+=("$xvfb")
export DISPLAY=$xvfb_display XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/zirbel"
# A grace period of 0 seconds: every ending key comes after it.
printf '%s\n' '[Software\Microsoft\Windows\CurrentVersion\Screen Savers]' 'Password Delay=0' \
  >"$XDG_CONFIG_HOME/zirbel/settings.ini"
start_system_bus
start_logind_mock
times=()
for ((run = 1; run <= runs; ++run)); do
  start_bg "$zirbel" /s
  window=$(wait_window SaverWindow) || fail "no SaverWindow appeared"
  wait_for 5 has_focus "$window" || fail "the saver did not take the focus"
  before=$(logind_calls Lock)
  key_sent=$EPOCHREALTIME
  xdotool key q
  expect_exit "$saver" 5 "the key"
  [ "$(logind_calls Lock)" -gt "$before" ] || fail "no lock request"
  locked=$(grep '^[0-9.]* Lock\b' "$logind_log" | tail -1 | cut -d' ' -f1)
  ms=$(awk -v k="$key_sent" -v l="$locked" 'BEGIN{printf "%.0f", (l - k) * 1000}')
  times+=("$ms")
  asked=$(grep "^[0-9.]* GetSession\b" "$logind_log" | tail -1 | cut -d" " -f1)
  first=$(awk -v k="$key_sent" -v l="$asked" 'BEGIN{printf "%.0f", (l - k) * 1000}')
  echo "run $run: key to lock request $ms ms (to the session look-up $first ms)"
done
sort -n <<<"$(printf '%s\n' "${times[@]}")" | awk '{v[NR]=$1} END{printf "key to lock request: min %d ms, median %d ms, max %d ms (%d runs)\n", v[1], v[int((NR+1)/2)], v[NR], NR}'
