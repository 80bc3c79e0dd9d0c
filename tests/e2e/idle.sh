#!/usr/bin/env bash
# End-to-end tests of the idle watcher (zirbel --on-idle) on the real idle
# sources: an Xvfb of its own (MIT-SCREEN-SAVER), with a private session bus
# where a case needs one. The delay is ZIRBEL_TEST_IDLE_SECONDS, which only
# the tests and the benchmark set.
#   idle.sh CASE ZIRBEL SYMMETRY_PROBE [WAYLAND_INPUT_HELPER]
set -u
case_name=$1 zirbel=$2 symmetry_probe=$3 input_helper=${4:-}
here=$(dirname "$0")
source "$here/lib.sh"
begin_test
delay=2
mkdir -p "$work/home" "$work/run" && chmod 700 "$work/run"
# No bus but the test's own: the machine's session and system buses stay out.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-session-bus DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/no-system-bus
export HOME=$work/home XDG_RUNTIME_DIR=$work/run ZIRBEL_TEST_IDLE_SECONDS=$delay
unset WAYLAND_DISPLAY XDG_SESSION_ID

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
# Waits until the clock passes $1 (ms): the moment a scripted user acts.
past() { (($(now_ms) >= $1)); }

# The watcher, started by the command "${@:2}", names $1 (its idle source or
# what it serves) as it starts; sets watcher (its pid).
start_watcher() {
  start_bg "${@:2}" "$zirbel" --on-idle
  local runner=$saver
  wait_for 10 grep -q "watching for" "$work/out.txt" || fail "the watcher did not start"
  watcher=$(below "$runner" zirbel)
  [ -n "$watcher" ] || watcher=$runner
  grep "watching for" "$work/out.txt"
  grep -q -- "$1" "$work/out.txt" || fail "the watcher does not name $1 as it starts"
}
saver_pid() { pgrep -P "$watcher" | head -1 | grep .; }
saver_runs() { saver_pid >/dev/null; }
saver_gone() { ! saver_runs; }
# Waits for the saver (at most $2 s, default the delay and 5 s); sets started
# (ms); $1 names the wait.
wait_saver() {
  local seconds=${2:-$((delay + 5))}
  wait_for "$seconds" saver_runs || fail "$1: no saver after $seconds s"
  started=$(now_ms)
}
# Waits for the saver's picture over the screen, then ends it with Q.
picture() { wait_for 15 mirrored root || fail "$1: the saver does not cover the screen (lit ${lit:-?}, asym ${asym:-?})"; }
end_saver() {
  picture "$1"
  xdotool key q
  wait_for 5 saver_gone || fail "$1: Q did not end the saver"
}
# An Xvfb of the case's own, of size $1, as DISPLAY.
on_xvfb() { start_xvfb "$1x24" || skip "Xvfb did not start"; pids+=("$xvfb"); export DISPLAY=$xvfb_display; }
# Asserts that no saver starts for two idle periods and a second; $1 says why it should not.
no_saver() { ! wait_for $((delay * 2 + 1)) saver_runs || fail "the saver started $1"; }

case "$case_name" in
  x11_idle)
    on_xvfb 1024x768
    xdotool mousemove 10 10
    start_watcher MIT-SCREEN-SAVER env  # the X server's own idle time
    # Input a second before the deadline puts it off by the delay from there.
    input=$(($(now_ms) + delay * 1000 - 1000))
    wait_for 30 past "$input" && xdotool mousemove 20 20
    saver_runs && fail "the saver started before the input's delay was over"
    wait_saver "input delayed the saver for ever" 10
    ((started - input >= delay * 1000 - 300)) || fail "the saver started $((started - input)) ms after the input"
    end_saver "the first idle period"
    wait_saver "the next idle period" 10
    end_saver "the next idle period"
    alive "$watcher" || fail "the watcher ended"
    # A second watcher ends at once, saying why.
    second() {
      local code
      "$zirbel" --on-idle >"$work/second.txt" 2>&1
      code=$?
      cat "$work/second.txt"
      [ $code = 1 ] || fail "the second watcher's exit code is $code"
      grep -q "another idle watcher runs" "$work/second.txt" || fail "the second watcher does not say why it ends"
    }
    # Without a session bus: the lock file in XDG_RUNTIME_DIR.
    second
    kill -TERM "$watcher"
    expect_exit "$watcher" 5 "SIGTERM"
    # With one: the bus name; Quit ends the first.
    : >"$work/out.txt"  # the next watcher's own words
    start_session_bus
    start_watcher MIT-SCREEN-SAVER env
    second
    bus_call session org.zirbel.IdleWatcher /org/zirbel/IdleWatcher org.zirbel.IdleWatcher.Quit >/dev/null ||
      fail "Quit failed"
    expect_exit "$watcher" 5 "Quit"
    # A screen-saver daemon on the display starts the saver there.
    xprop -root -f _SCREENSAVER_VERSION 8s -set _SCREENSAVER_VERSION 5.45
    "$zirbel" --on-idle >"$work/daemon.txt" 2>&1 || fail "exit code $? beside a daemon"
    grep -q "daemon" "$work/daemon.txt" || fail "the watcher does not name the daemon: $(cat "$work/daemon.txt")"
    ;;
  x11_inhibit)
    # What holds the saver back: the session's state and logind's inhibitors,
    # then a client's inhibitor, until it is released or its client leaves
    # the bus. The session's Lock ends a running saver, with no Lock call of
    # its own; a saver killed after the grace period, in the next idle
    # period, locks; the watcher ends, and its saver with it.
    on_xvfb 640x480
    export XDG_CONFIG_HOME=$work/config
    lock_settings 0 1  # every end of the saver comes after the grace period
    start_session_bus
    start_logind_mock
    logind_set_locked_hint true
    start_watcher "serving org.freedesktop.ScreenSaver" env
    no_saver "while the session was locked"
    logind_set_locked_hint false
    # logind's idle inhibitor (systemd-inhibit --what=idle) holds it back as well.
    logind_block_inhibited handle-lid-switch:idle
    xdotool mousemove 5 5
    no_saver "while logind held an idle inhibitor"
    logind_block_inhibited handle-lid-switch
    xdotool mousemove 9 9
    wait_saver "the session unlocked and nothing inhibiting"
    picture "the session unlocked and nothing inhibiting"
    logind_send_lock
    wait_for 1 saver_gone || fail "the saver still runs a second after the session locked"
    locks 0 "a saver that the watcher ended itself"
    xdotool mousemove 7 7
    wait_saver "the idle period after the session's Lock"
    picture "the idle period after the session's Lock"
    locks 0 "before the kill"
    kill -KILL "$(saver_pid)"
    wait_for 3 logind_called Lock || fail "the saver was killed after the grace period, and no Lock followed"
    # A client that holds an inhibitor, fed through fd 3.
    hold() {
      start_fed inhibitor /usr/bin/python3 "$here/inhibitor.py" || fail "the inhibiting client did not start"
      echo inhibit >&3
      wait_for 5 grep -q inhibited "$work/inhibitor.txt" || fail "Inhibit was not answered"
    }
    hold
    xdotool mousemove 3 3
    no_saver "while an inhibitor was held"
    echo uninhibit >&3
    wait_for 5 grep -q uninhibited "$work/inhibitor.txt" || fail "UnInhibit was not answered"
    wait_saver "UnInhibit" 3
    end_saver "UnInhibit"
    hold
    no_saver "while the second inhibitor was held"
    exec 3>&-  # the client leaves the bus
    wait_for 5 ended "$fed" || fail "the inhibiting client did not end"
    wait_saver "the inhibiting client left the bus" 3
    picture "the inhibiting client left the bus"
    running=$(saver_pid) && kill -TERM "$watcher"
    wait_for 2 ended "$running" || fail "the saver outlived its watcher"
    ;;
  sway)
    # A window of the dialog program holds sway's idle inhibitor while it shows.
    for tool in sway swaymsg grim; do command -v "$tool" >/dev/null || skip "$tool is not installed"; done
    export DISPLAY=
    sway_config='for_window [app_id="zirbel-config"] inhibit_idle open'
    source "$here/sway-lib.sh"
    start_sway
    start_watcher org_kde_kwin_idle wl env ZIRBEL_TEST_IDLE_SECONDS=$delay DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" \
      DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SYSTEM_BUS_ADDRESS"
    wait_saver "the first idle period"
    key_ends() { send key 16 && wait_for 5 saver_gone || fail "Q did not end the saver $1"; }  # Q
    wait_picture HEADLESS-1 "no kaleidoscope after the idle period"
    key_ends "after the idle period"
    wait_saver "the next idle period"
    wait_picture HEADLESS-2 "no kaleidoscope after the next idle period"
    key_ends "after the next idle period"
    start_bg wl env GDK_BACKEND=wayland "$(dirname "$zirbel")/zirbel-config"
    dialog_shows() { wl swaymsg -t get_tree | grep -q '"app_id": "zirbel-config"'; }
    wait_for 10 dialog_shows || fail "the dialog's window did not show"
    # A saver may have come while the dialog started: ended by a key, then
    # the pointer moves over the dialog, and the idle period starts again.
    if saver_runs; then
      wait_picture HEADLESS-1 "no kaleidoscope while the dialog started"
      key_ends "over the dialog"
    fi
    send move 5 5
    no_saver "while a window held the idle inhibitor"
    ;;
  mutter)
    # GNOME's compositor, headless, as the test's user on a session bus of
    # that user's; ResetIdletime stands for input.
    for tool in mutter Xwayland; do command -v "$tool" >/dev/null || skip "$tool is not installed"; done
    export DISPLAY=
    [ "$(id -u)" = 0 ] && { as_user true; chown zirbel-test "$work/run" "$work/home"; }
    start_session_bus as_user env XDG_RUNTIME_DIR="$work/run"
    gnome() {
      as_user env XDG_RUNTIME_DIR="$work/run" DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" \
        DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SYSTEM_BUS_ADDRESS" WAYLAND_DISPLAY=wayland-0 DISPLAY="${gnome_display:-}" \
        XAUTHORITY="${gnome_auth:-}" "$@"
    }
    monitor() { gnome gdbus call --session --dest org.gnome.Mutter.IdleMonitor --object-path \
      /org/gnome/Mutter/IdleMonitor/Core --method "org.gnome.Mutter.IdleMonitor.$1" >/dev/null 2>&1; }
    start_bg gnome env MUTTER_DEBUG_RESET_IDLETIME=1 mutter --headless --wayland --virtual-monitor 1024x768
    pids+=("$(below "$saver" mutter)")
    xwayland() { grep -q "Using public X11 display" "$work/out.txt" && ls "$work"/run/.mutter-Xwaylandauth.* >/dev/null 2>&1; }
    wait_for 20 monitor GetIdletime || fail "mutter's idle monitor did not start"
    wait_for 20 xwayland || fail "mutter did not start XWayland"
    gnome_display=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$work/out.txt" | head -1)
    gnome_auth=$(ls "$work"/run/.mutter-Xwaylandauth.* | head -1)
    start_watcher org.gnome.Mutter.IdleMonitor gnome env ZIRBEL_TEST_IDLE_SECONDS=$delay
    monitor ResetIdletime
    wait_saver "the first idle period"
    drawn() { gnome xdotool search --onlyvisible --name '^SaverWindow$' >/dev/null 2>&1; }
    wait_for 10 drawn || fail "the saver has no window on XWayland"
    # The user comes back: the idle time starts again, and the saver ends.
    restart() {
      monitor ResetIdletime || fail "ResetIdletime failed"
      kill -TERM "$(saver_pid)"
      wait_for 5 saver_gone || fail "the saver did not end on SIGTERM"
    }
    restart
    wait_saver "an idle period after the reset"
    # A session manager whose inhibited actions hold idleness (8) keeps it away.
    gnome /usr/bin/python3 -m dbusmock --session org.gnome.SessionManager /org/gnome/SessionManager \
      org.gnome.SessionManager >>"$work/out.txt" 2>&1 3>&- 4>&- &
    pids+=("$!")
    session_manager() { gnome gdbus call --session --dest org.gnome.SessionManager --object-path \
      /org/gnome/SessionManager --method "$@" >/dev/null 2>&1; }
    wait_for 10 session_manager org.freedesktop.DBus.Peer.Ping || fail "the session manager did not start"
    # Added, then changed, so that mutter hears of it.
    session_manager org.freedesktop.DBus.Mock.AddProperty org.gnome.SessionManager InhibitedActions '<uint32 0>' &&
      session_manager org.freedesktop.DBus.Mock.UpdateProperties org.gnome.SessionManager \
        "{'InhibitedActions': <uint32 8>}" || fail "the session manager's InhibitedActions could not be set"
    restart
    no_saver "while the session manager inhibited idleness"
    ;;
  *) fail "unknown case $case_name" ;;
esac
echo PASS
