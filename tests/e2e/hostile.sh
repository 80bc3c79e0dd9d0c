#!/usr/bin/env bash
# End-to-end cases of the Linux program in a hostile environment: settings
# that cannot be read or written, preview windows that are gone, tiny and
# huge windows, and an X server that goes away.
#   hostile.sh CASE ZIRBEL PARENT_HELPER
# Exit 0 pass, 1 fail, 77 skip (no display or a missing X tool).
set -u
case_name=$1
zirbel=$2
parent_helper=$3

source "$(dirname "$0")/lib.sh"
[ -n "${DISPLAY:-}" ] || skip "no DISPLAY"
for tool in xdpyinfo xdotool Xvfb; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
xdpyinfo >/dev/null 2>&1 || skip "cannot open display $DISPLAY"

work=$(mktemp -d /tmp/zirbel-hostile-XXXXXX)
chmod 755 "$work"  # another user may have to reach the settings below
config=$work/config/zirbel
mkdir -p "$config"
chmod 755 "$work/config" "$config"
export XDG_CONFIG_HOME=$work/config
pids=()
cleanup() {
  for p in "${pids[@]}"; do pkill -P "$p" 2>/dev/null; kill "$p" 2>/dev/null; done
  exec 3>&- 4>&- 2>/dev/null
  chmod -R u+rwx "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# One client stays connected throughout: an X server with no clients left
# resets, and a connection attempt in that moment fails.
mkfifo "$work/keep"
"$parent_helper" 1 1 <"$work/keep" >/dev/null &
pids+=("$!")
exec 4>"$work/keep"

fail() {
  echo "FAIL: $*"
  [ -s "$work/out.txt" ] && { echo "program output:"; cat "$work/out.txt"; }
  exit 1
}

# Permissions do not hold root back: run the program as nobody then. Started
# in the background, the program takes the place of the subshell, so that $!
# is its process.
as_user() {
  if [ "$(id -u)" = 0 ]; then
    HOME=$work exec setpriv --reuid=65534 --regid=65534 --clear-groups -- "$@"
  else
    exec "$@"
  fi
}


# The saver with the settings it can (not) read: a move of 20 pixels ends it
# only when the threshold of 10 in the file was read; q ends it with code 0.
saver_with_defaults() {
  xdotool mousemove 400 300
  sleep 0.2
  as_user "$zirbel" /s >"$work/out.txt" 2>&1 3>&- &
  saver=$!
  pids+=("$saver")
  wait_window SaverWindow >/dev/null || fail "no SaverWindow appeared within 10 seconds ($1)"
  sleep 0.5
  xdotool mousemove_relative 20 0
  sleep 0.5
  alive "$saver" || fail "the saver did not keep the default threshold ($1)"
  xdotool key q
  wait_exit "$saver" 5 || fail "the saver did not end on q ($1)"
  [ "$status" = 0 ] || fail "exit code $status ($1)"
}

# The configuration dialog closed with OK after clearing the box; sets status.
config_ok() {
  as_user "$zirbel" -c >"$work/out.txt" 2>&1 3>&- &
  saver=$!
  pids+=("$saver")
  dialog=$(wait_window "Config dialog") || fail "no Config dialog within 10 seconds ($1)"
  sleep 0.5
  timeout 10 xdotool windowfocus --sync "$dialog"
  xdotool key shift+Tab space Return
  wait_exit "$saver" 5 || fail "OK did not close the dialog within 5 seconds ($1)"
  [ "$status" = 0 ] || fail "exit code $status ($1)"
}

threshold_file() {
  printf '[Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers]\nMouse Threshold=10\n\n[Software\\Pomwick\\Vostrand]\nUseMirrors=1\nOther=kept\n' >"$1"
}

case "$case_name" in
  settings_unreadable)
    threshold_file "$config/settings.ini"
    chmod 000 "$config/settings.ini"
    saver_with_defaults "an unreadable settings file"
    config_ok "an unreadable settings file"
    chmod 600 "$config/settings.ini"
    threshold_file "$work/expected"
    cmp -s "$config/settings.ini" "$work/expected" || fail "the unreadable file was changed"
    ;;

  settings_directory)
    mkdir -p "$config/settings.ini/inner"
    saver_with_defaults "a directory in place of the settings file"
    config_ok "a directory in place of the settings file"
    [ -d "$config/settings.ini/inner" ] || fail "the directory was touched"
    ;;

  settings_fifo)
    # A named pipe would block a plain read for ever.
    mkfifo "$config/settings.ini"
    chmod 666 "$config/settings.ini"
    saver_with_defaults "a named pipe in place of the settings file"
    config_ok "a named pipe in place of the settings file"
    [ -p "$config/settings.ini" ] || fail "the named pipe was replaced"
    ;;

  config_read_only)
    # OK cannot write: it fails without a message box, the old file stays as
    # it was and nothing else appears in the directory.
    threshold_file "$config/settings.ini"
    chmod 644 "$config/settings.ini"
    chmod 555 "$config"
    config_ok "a read-only settings directory"
    threshold_file "$work/expected"
    cmp -s "$config/settings.ini" "$work/expected" || fail "the settings file was changed"
    [ "$(ls -A "$config")" = "settings.ini" ] || fail "files appeared: $(ls -A "$config")"
    grep -q 'could not be saved' "$work/out.txt" || fail "no word on standard error about the failed save"
    xdotool search --name '^Error$' >/dev/null 2>&1 && fail "a message box appeared"
    ;;

  preview_destroyed_parent)
    start_parent 200 150
    gone=$parent
    exec 3>&-  # the helper destroys its window and ends
    for _ in $(seq 50); do xwininfo -id "$gone" >/dev/null 2>&1 || break; sleep 0.1; done
    xwininfo -id "$gone" >/dev/null 2>&1 && fail "the window was not destroyed"
    timeout 5 "$zirbel" -p "$gone" >"$work/out.txt" 2>&1
    status=$?
    [ "$status" = 0 ] || fail "exit code $status (124: it hung)"
    [ -s "$work/out.txt" ] && fail "unexpected output"
    ;;

  tiny_window | wide_window)
    if [ "$case_name" = tiny_window ]; then start_parent 1 1; else start_parent 16384 64; fi
    "$zirbel" -p "$parent" >"$work/out.txt" 2>&1 3>&- &
    saver=$!
    pids+=("$saver")
    sleep 3
    alive "$saver" || fail "the preview ended by itself"
    xwininfo -id "$parent" -children | grep -q '"SaverWindow"' || fail "no SaverWindow in the parent"
    exec 3>&-
    wait_exit "$saver" 5 || fail "the preview did not end with its parent"
    [ "$status" = 0 ] || fail "exit code $status"
    [ -s "$work/out.txt" ] && fail "unexpected output"
    ;;

  server_gone)
    # A private server that is killed under the running saver and preview.
    for mode in /s -p; do
      Xvfb -displayfd 5 -screen 0 800x600x24 -nolisten tcp -noreset 5>"$work/displayfd" >/dev/null 2>&1 3>&- &
      xvfb=$!
      pids+=("$xvfb")
      for _ in $(seq 50); do [ -s "$work/displayfd" ] && break; sleep 0.1; done
      number=$(head -1 "$work/displayfd")
      [ -n "$number" ] || fail "the private X server did not start"
      args=$mode
      if [ "$mode" = -p ]; then
        DISPLAY=:$number start_parent 320 240
        args="-p $parent"
      fi
      # shellcheck disable=SC2086
      DISPLAY=:$number "$zirbel" $args >"$work/out.txt" 2>&1 3>&- &
      saver=$!
      pids+=("$saver")
      found=
      for _ in $(seq 100); do
        DISPLAY=:$number xdotool search --name '^SaverWindow$' >/dev/null 2>&1 && { found=1; break; }
        sleep 0.1
      done
      [ -n "$found" ] || fail "no SaverWindow on the private server ($mode)"
      sleep 1
      kill -9 "$xvfb"
      wait_exit "$saver" 3 || fail "the program kept running for 3 seconds after its X server ended ($mode)"
      [ "$status" = 0 ] || fail "exit code $status after the X server ended ($mode)"
      grep -q 'connection to the X server was lost' "$work/out.txt" || fail "no word about the lost server ($mode)"
      exec 3>&-
      rm -f "$work/displayfd" "/tmp/.X$number-lock" "/tmp/.X11-unix/X$number"
    done
    ;;

  *)
    fail "unknown case $case_name"
    ;;
esac
echo "PASS: $case_name"
exit 0
