#!/usr/bin/env bash
# The full-screen saver locks the session when it ends after its grace
# period, with logind faked on a private system bus.
#   lock.sh CASE ZIRBEL LOGIND_PROBE
set -u
case_name=$1 zirbel=$2 logind_probe=$3
source "$(dirname "$0")/lib.sh"
need_display xdotool
command -v dbus-daemon >/dev/null || skip "dbus-daemon is not installed"
/usr/bin/python3 -c 'import dbusmock' 2>/dev/null || skip "python3-dbusmock is not installed"
begin_test
export XDG_CONFIG_HOME=$work/config
unset XDG_SESSION_ID

# Password Delay $1 seconds, LockOnReturn $2.
settings() {
  mkdir -p "$XDG_CONFIG_HOME/zirbel"
  printf '%s\n' '[Software\Microsoft\Windows\CurrentVersion\Screen Savers]' "Password Delay=$1" \
    '[Software\Pomwick\Vostrand]' "LockOnReturn=$2" >"$XDG_CONFIG_HOME/zirbel/settings.ini"
}
# The saver, ended by a key; sets key_sent (when the key went, in seconds).
run_and_end() {
  start_bg "$zirbel" /s
  window=$(wait_window SaverWindow) || fail "no SaverWindow appeared"
  wait_for 5 has_focus "$window" || fail "the saver did not take the focus"
  key_sent=$EPOCHREALTIME
  xdotool key q
  expect_exit "$saver" "${1:-5}" "the key"
  window_gone SaverWindow || fail "the saver's window is still there"
}
locks() { [ "$(logind_calls Lock)" = "$1" ] || fail "$2: Lock was called $(logind_calls Lock) times"; }
said_once() {
  [ "$(grep -c 'the session is not locked' "$work/out.txt")" = 1 ] || fail "not one word about the lock"
  grep -q "$1" "$work/out.txt" || fail "the word does not say '$1'"
}

case "$case_name" in
  after_grace)
    # A Password Delay of 0: any key after the first millisecond comes after it.
    start_system_bus
    start_logind_mock c7
    settings 0 1
    run_and_end
    locks 1 "a key after the grace period"
    grep -q 'not locked' "$work/out.txt" && fail "a word about the lock, which worked"
    ;;
  within_grace)
    start_system_bus
    start_logind_mock
    settings 3600 1
    run_and_end
    locks 0 "a key within the grace period"
    ;;
  lock_off)
    start_system_bus
    start_logind_mock
    settings 0 0
    run_and_end
    locks 0 "LockOnReturn=0"
    ;;
  no_logind)
    # No bus at all, a bus without logind, logind without a session of ours,
    # a bus that takes the connection and never answers: one word each, and
    # the saver closes as before (the last within the call's time limit).
    settings 0 1
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
  session)
    # What the idle watcher reads: LockedHint, logind's idle inhibitors (only
    # "idle" counts), and the session's Lock signal.
    start_system_bus
    start_logind_mock c3
    logind_call /org/freedesktop/login1 org.freedesktop.DBus.Mock.AddProperty org.freedesktop.login1.Manager \
      BlockInhibited "<'sleep:handle-idle'>" >/dev/null
    start_bg "$logind_probe"
    wait_for 5 grep -qx "locked=0 idle=0" "$work/out.txt" || fail "not locked=0 idle=0"
    kill "$saver"
    logind_set_locked_hint true
    logind_call /org/freedesktop/login1 org.freedesktop.DBus.Properties.Set org.freedesktop.login1.Manager \
      BlockInhibited "<'sleep:idle'>" >/dev/null
    : >"$work/out.txt"
    start_bg "$logind_probe"
    wait_for 5 grep -qx "locked=1 idle=1" "$work/out.txt" || fail "not locked=1 idle=1"
    logind_send_lock
    expect_exit "$saver" 5 "the session's Lock signal"
    grep -qx lock "$work/out.txt" || fail "the Lock signal was not heard"
    ;;
  *) fail "unknown case $case_name" ;;
esac
echo PASS
