#!/usr/bin/env bash
# End-to-end scenarios of zirbel.scr under 64-bit Wine on the current X display.
#
#   wine_e2e.sh SCENARIO
#
# Environment (set by CTest): ZIRBEL_SCR (the x86_64 zirbel.scr), WINEPREFIX,
# ZIRBEL_PROBE (wine_x11_probe), ZIRBEL_TEST_HELPER (zirbel-test-helper.exe),
# ZIRBEL_REGISTRY_TEST (zirbel-registry-test.exe),
# WINE64 (default /usr/lib/wine/wine64). Exit 0: passed, 1: failed, 77: skipped.
set -uo pipefail

scenario=${1:?usage: $0 SCENARIO}
WINE64=${WINE64:-/usr/lib/wine/wine64}
export WINELOADER=$WINE64
export WINESERVER=${WINESERVER:-$(dirname "$WINE64")/wineserver}
export WINEDEBUG=-all
# No Mono or Gecko installers when the prefix is created.
export WINEDLLOVERRIDES="mscoree,mshtml="

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }
note() { echo "-- $*"; }

[ -x "$WINE64" ] || skip "no 64-bit Wine at $WINE64"
[ -n "${DISPLAY:-}" ] || skip "no DISPLAY to run Wine on"
[ -n "${WINEPREFIX:-}" ] || fail "WINEPREFIX is not set"
command -v xdotool >/dev/null || skip "xdotool is not installed"
if [ "$scenario" != boot ] && [ "$scenario" != shutdown ]; then
  [ -f "${ZIRBEL_SCR:-}" ] || skip "no x86_64 zirbel.scr at '${ZIRBEL_SCR:-}' (build the win64 preset first)"
  [ -x "${ZIRBEL_PROBE:-}" ] || fail "no wine_x11_probe at '${ZIRBEL_PROBE:-}'"
fi

probe() { "$ZIRBEL_PROBE" "$@"; }
reg() { "$WINE64" reg "$@" 2>/dev/null | tr -d '\r'; }
system_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Screen Savers'
own_key='HKCU\Software\Pomwick\Vostrand'

# Every scenario starts from the documented defaults.
reset_settings() {
  reg delete "$system_key" /v "Password Delay" /f >/dev/null
  reg delete "$system_key" /v "Mouse Threshold" /f >/dev/null
  reg delete 'HKCU\Software\Pomwick' /f >/dev/null
  return 0
}

saver_pid=
cleanup() {
  if [ -n "$saver_pid" ] && kill -0 "$saver_pid" 2>/dev/null; then kill "$saver_pid" 2>/dev/null; fi
}
trap cleanup EXIT

start_saver() {
  "$WINE64" "$ZIRBEL_SCR" "$@" &
  saver_pid=$!
}

# Waits up to $1 seconds for the saver to end; its exit code goes to $exit_code.
exit_code=
wait_saver_exit() {
  local limit=$1 waited=0
  while kill -0 "$saver_pid" 2>/dev/null; do
    if [ "$waited" -ge $((limit * 10)) ]; then return 1; fi
    sleep 0.1
    waited=$((waited + 1))
  done
  wait "$saver_pid"
  exit_code=$?
  saver_pid=
  return 0
}

expect_exit_zero() {  # SECONDS WHAT
  wait_saver_exit "$1" || fail "$2: the saver still runs after $1 s"
  [ "$exit_code" = 0 ] || fail "$2: exit code $exit_code, expected 0"
  note "$2: ended with exit code 0"
}

expect_running() {  # SECONDS WHAT
  sleep "$1"
  kill -0 "$saver_pid" 2>/dev/null || { wait "$saver_pid"; fail "$2: the saver ended (exit code $?)"; }
  note "$2: still running"
}

# Window id and geometry of the saver's full-screen window.
wait_saver_window() {
  read -r win_id win_x win_y win_w win_h < <(probe wait-window SaverWindow 30) ||
    fail "the saver's window did not appear"
  [ -n "${win_id:-}" ] || fail "the saver's window did not appear"
}

# Moves the pointer $1 pixels along x from where it was when the saver's
# window appeared, towards the middle of the screen.
pointer_x0=
pointer_y0=
remember_pointer() {
  eval "$(xdotool getmouselocation --shell)"
  pointer_x0=$X
  pointer_y0=$Y
}
move_pointer_by() {
  local sign=1
  [ "$pointer_x0" -gt $((screen_w / 2)) ] && sign=-1
  xdotool mousemove $((pointer_x0 + sign * $1)) "$pointer_y0"
}

read -r screen_w screen_h < <(probe screen 2>/dev/null || echo "0 0")

# A threshold scenario: moving $1 pixels keeps the saver, $2 pixels ends it.
threshold_case() {
  local keep=$1 end=$2 what=$3
  start_saver /s
  wait_saver_window
  remember_pointer
  sleep 1.5  # the first move message at an unchanged position comes and goes
  move_pointer_by "$keep"
  expect_running 1.5 "$what: a move of $keep pixels"
  move_pointer_by "$end"
  expect_exit_zero 5 "$what: a move of $end pixels"
}

# Runs the configuration dialog and types the keys given as arguments.
config_case() {
  start_saver /c
  probe wait-window "Config dialog" 30 >/dev/null || fail "the configuration dialog did not appear"
  sleep 0.5
  xdotool "$@"
  expect_exit_zero 5 "the dialog after '$*'"
}

need_helper() {
  [ -f "${ZIRBEL_TEST_HELPER:-}" ] || skip "no zirbel-test-helper.exe (the MinGW x86_64 compiler is needed to build it)"
}

use_mirrors_value() {  # prints the stored value (0x0, 0x1) or "absent"
  local out
  out=$(reg query "$own_key" /v UseMirrors) || { echo absent; return; }
  echo "$out" | awk '$1 == "UseMirrors" && $2 == "REG_DWORD" { print $3; found = 1 } END { if (!found) print "absent" }'
}

expect_use_mirrors() {  # VALUE WHAT
  local value
  value=$(use_mirrors_value)
  [ "$value" = "$1" ] || fail "$2: UseMirrors is '$value', expected '$1'"
  note "$2: UseMirrors is $value"
}

case "$scenario" in
  boot)
    # One prefix for the whole run, kept warm by a wineserver that outlives
    # the single programs.
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      note "creating the Wine prefix $WINEPREFIX"
      "$WINE64" wineboot --init >/dev/null 2>&1 || true
      # The registry files are written when the server goes down.
      "$WINESERVER" -w 2>/dev/null || true
      [ -f "$WINEPREFIX/system.reg" ] || fail "wineboot did not create $WINEPREFIX"
    fi
    "$WINESERVER" -p30 2>/dev/null || true
    # Unmanaged windows: no 2-second wait for a window manager when hiding.
    reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null || fail "cannot write the Wine registry"
    reg query 'HKCU\Software\Wine\X11 Driver' /v Managed | grep -q 'REG_SZ *N' || fail "Managed=N was not stored"
    note "prefix ready"
    ;;

  shutdown)
    "$WINESERVER" -k 2>/dev/null || true
    ;;

  registry)
    [ -f "${ZIRBEL_REGISTRY_TEST:-}" ] || skip "no zirbel-registry-test.exe (the MinGW x86_64 compiler is needed to build it)"
    reset_settings
    "$WINE64" "$ZIRBEL_REGISTRY_TEST" || fail "the settings store checks failed"
    reset_settings
    ;;

  fullscreen)
    reset_settings
    start_saver /s
    wait_saver_window
    [ "$win_x" = 0 ] && [ "$win_y" = 0 ] && [ "$win_w" = "$screen_w" ] && [ "$win_h" = "$screen_h" ] ||
      fail "the window is ${win_w}x${win_h} at $win_x,$win_y; the screen is ${screen_w}x${screen_h}"
    note "the window covers the screen (${win_w}x${win_h})"
    # The pacing measures once a second and swings around its target for a
    # few seconds before it settles; count over several seconds after that.
    sleep 4
    read -r frames rate < <(probe frames 8) || fail "cannot count frames"
    note "$frames frames in 8 s: $rate per second"
    awk -v r="$rate" 'BEGIN { exit !(r >= 15 && r <= 40) }' || fail "$rate frames per second, expected about 24"
    colours=$(probe colours 0 0 "$screen_w" "$screen_h") || fail "cannot read the screen"
    [ "$colours" -gt 50 ] || fail "the screen shows only $colours colours"
    note "the screen shows $colours colours"
    # A small move stays below the threshold but makes the window set its cursor.
    xdotool mousemove_relative 3 0
    sleep 0.5
    [ "$(probe cursor)" = hidden ] || fail "the cursor shows over the saver"
    note "the cursor is hidden"
    xdotool key q
    expect_exit_zero 5 "a key press"
    [ "$(probe cursor)" = visible ] || fail "the cursor stays hidden after the saver"
    ;;

  quick-exits)
    # Nothing to show: an unknown switch, a preview without a usable parent
    # window, and the password change, for which the system has no dialog.
    reset_settings
    for args in /x "/p" "/p 999999" "/a" "/a 12345"; do
      # shellcheck disable=SC2086
      start_saver $args
      expect_exit_zero 10 "$args"
    done
    if probe wait-window SaverWindow 0 >/dev/null 2>&1; then fail "a saver window is left open"; fi
    # Reading the settings never creates the saver's own key.
    reg query "$own_key" >/dev/null 2>&1 && fail "reading the settings created $own_key"
    note "the saver's key is still absent"
    ;;

  keys)
    reset_settings
    start_saver /s
    wait_saver_window
    sleep 0.5
    for key in 5 m Up Down Left Right space s 0; do
      xdotool key "$key"
      sleep 0.15
    done
    expect_running 1.5 "the control keys 5, M, the arrows, space, S and 0"
    # Keys with Alt held come as system keys, and the close command that
    # Alt+F4 makes is stopped.
    xdotool key alt+F4
    sleep 0.3
    xdotool key alt+x
    expect_running 1.5 "Alt+F4 and Alt+X"
    xdotool key x
    expect_exit_zero 5 "the key X"
    ;;

  foreign-close)
    need_helper
    reset_settings
    start_saver /s
    wait_saver_window
    sleep 1
    "$WINE64" "$ZIRBEL_TEST_HELPER" knock || fail "the helper could not reach the saver"
    expect_running 1.5 "a close message and the close and screen-saver commands from another program"
    xdotool key q
    expect_exit_zero 5 "a key after them"
    ;;

  activation)
    need_helper
    reset_settings
    start_saver /s
    wait_saver_window
    sleep 1
    "$WINE64" "$ZIRBEL_TEST_HELPER" activate &
    helper_pid=$!
    expect_exit_zero 5 "another window taking the activation"
    wait "$helper_pid"
    ;;

  buttons)
    # Every mouse button closes the saver; the buttons' flags are no control key.
    reset_settings
    for button in 1 3 2; do
      start_saver /s
      wait_saver_window
      sleep 1
      xdotool click "$button"
      expect_exit_zero 5 "mouse button $button"
    done
    ;;

  mouse-default)
    reset_settings
    threshold_case 50 51 "the default threshold"
    ;;

  mouse-registry)
    reset_settings
    reg add "$system_key" /v "Mouse Threshold" /t REG_DWORD /d 10 /f >/dev/null || fail "cannot write the threshold"
    threshold_case 10 11 "a Mouse Threshold of 10"
    ;;

  bad-values)
    # Values that are not 4-byte numbers count as absent: the threshold stays 50.
    reset_settings
    reg add "$system_key" /v "Mouse Threshold" /t REG_SZ /d 10 /f >/dev/null || fail "cannot write the threshold"
    threshold_case 11 51 "a Mouse Threshold stored as the string 10"
    reg add "$system_key" /v "Mouse Threshold" /t REG_BINARY /d 0a0000 /f >/dev/null || fail "cannot write the threshold"
    threshold_case 11 51 "a Mouse Threshold of 3 bytes"
    ;;

  grace)
    # After the grace period a close asks for the password first; the NT
    # family checks it itself, so the saver closes. A Password Delay of -1 is
    # a grace period of almost 2^32 ms: it closes at once.
    for delay in 0 0xffffffff; do
      reset_settings
      reg add "$system_key" /v "Password Delay" /t REG_DWORD /d "$delay" /f >/dev/null || fail "cannot write the delay"
      start_saver /s
      wait_saver_window
      sleep 1
      xdotool key Escape
      expect_exit_zero 5 "a Password Delay of $delay"
    done
    reset_settings
    ;;

  config-ok)
    reset_settings
    config_case key Return
    expect_use_mirrors 0x1 "OK on a fresh system creates the key"
    keys=$(reg query "$own_key" | grep -c 'REG_')
    [ "$keys" = 1 ] || fail "the key holds $keys values, expected only UseMirrors"
    # The box opens showing the stored value; toggling it and OK stores the box.
    config_case key Tab Tab space Return
    expect_use_mirrors 0x0 "the box cleared and OK"
    config_case key Return
    expect_use_mirrors 0x0 "OK with the box left as it opened"
    config_case key Tab Tab space Return
    expect_use_mirrors 0x1 "the box set again and OK"
    reset_settings
    ;;

  config-cancel)
    reset_settings
    config_case key Escape
    expect_use_mirrors absent "Escape"
    reg query "$own_key" >/dev/null 2>&1 && fail "Escape created the key"
    reg add "$own_key" /v UseMirrors /t REG_DWORD /d 0 /f >/dev/null || fail "cannot write UseMirrors"
    config_case key Tab Tab space Escape
    expect_use_mirrors 0x0 "the box toggled, then Escape"
    config_case key Tab Tab space alt+F4
    expect_use_mirrors 0x0 "the box toggled, then the close command"
    config_case key Tab space
    expect_use_mirrors 0x0 "Cancel"
    reset_settings
    ;;

  preview)
    need_helper
    reset_settings
    scr_windows="Z:$(echo "$ZIRBEL_SCR" | tr / '\\')"
    "$WINE64" "$ZIRBEL_TEST_HELPER" preview "$scr_windows" 400 300
    status=$?
    [ "$status" = 0 ] || fail "the preview checks failed (exit code $status)"
    ;;

  *)
    echo "unknown scenario '$scenario'" >&2
    exit 2
    ;;
esac
echo "PASSED: $scenario"
exit 0
