#!/usr/bin/env bash
# The full-screen saver locks the session when it ends after its grace
# period, with logind faked on a private system bus.
#   lock.sh CASE ZIRBEL
set -u
case_name=$1 zirbel=$2
source "$(dirname "$0")/lib.sh"
need_display xdotool
need_dbusmock
begin_test
export XDG_CONFIG_HOME=$work/config
unset XDG_SESSION_ID

# The saver, ended by a key.
run_and_end() {
  start_bg "$zirbel" /s
  window=$(wait_window SaverWindow) || fail "no SaverWindow appeared"
  wait_for 5 has_focus "$window" || fail "the saver did not take the focus"
  xdotool key q
  expect_exit "$saver" "${1:-5}" "the key"
  window_gone SaverWindow || fail "the saver's window is still there"
}
said_once() {
  [ "$(grep -c 'the session is not locked' "$work/out.txt")" = 1 ] || fail "not one word about the lock"
  grep -q "$1" "$work/out.txt" || fail "the word does not say '$1'"
}

case "$case_name" in
  grace)
    # Within the grace period, or with LockOnReturn=0, no lock; after it, one.
    # A Password Delay of 0: any key after the first millisecond comes after it.
    start_system_bus
    start_logind_mock c7
    lock_settings 3600 1
    run_and_end
    locks 0 "a key within the grace period"
    lock_settings 0 0
    run_and_end
    locks 0 "LockOnReturn=0"
    lock_settings 0 1
    run_and_end
    locks 1 "a key after the grace period"
    grep -q 'not locked' "$work/out.txt" && fail "a word about the lock, which worked"
    ;;
  no_logind)
    # No bus at all, a bus without logind, logind without a session of ours,
    # a bus that takes the connection and never answers: one word each, and
    # the saver closes as before (the last within the call's time limit).
    lock_settings 0 1
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/nowhere
    run_and_end
    said_once "no system bus"
    : >"$work/out.txt"
    start_system_bus
    run_and_end
    said_once "logind does not run"
    : >"$work/out.txt"
    start_logind_mock
    unset XDG_SESSION_ID
    run_and_end
    said_once "no session"
    : >"$work/out.txt"
    /usr/bin/python3 -c 'import signal, socket, sys
s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(8); print(flush=True); signal.pause()' \
      "$work/mute" >"$work/mute.txt" 3>&- 4>&- &
    pids+=("$!")
    wait_for 5 test -s "$work/mute.txt" || fail "the mute bus did not start"
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/mute
    run_and_end 4
    said_once "does not answer"
    ;;
  *) fail "unknown case $case_name" ;;
esac
echo PASS
