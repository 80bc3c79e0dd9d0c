#!/usr/bin/env bash
# End-to-end tests of the Linux program on an X display.
#   e2e.sh CASE ZIRBEL PARENT_HELPER SYMMETRY_PROBE
# Exit 0 pass, 1 fail, 77 skip (no display or a missing X tool).
set -u
case_name=$1
zirbel=$2
parent_helper=$3
symmetry_probe=${4:-}

source "$(dirname "$0")/lib.sh"
fail() {
  echo "FAIL: $*"
  [ -s "$work/out.txt" ] && { echo "program output:"; cat "$work/out.txt"; }
  [ -n "${saver:-}" ] && ! kill -0 "$saver" 2>/dev/null && echo "the program is no longer running"
  cleanup
  exit 1
}

[ -n "${DISPLAY:-}" ] || skip "no DISPLAY"
for tool in xdpyinfo xdotool xwininfo import; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
xdpyinfo >/dev/null 2>&1 || skip "cannot open display $DISPLAY"

work=$(mktemp -d /tmp/zirbel-e2e-XXXXXX)
export XDG_CONFIG_HOME=$work/config
pids=()
cleanup() {
  # The program's own children too (a message box it may have opened).
  for p in "${pids[@]}"; do pkill -P "$p" 2>/dev/null; kill "$p" 2>/dev/null; done
  exec 3>&- 4>&- 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Starts the configuration dialog and gives it the focus; sets saver.
open_config_dialog() {
  "$zirbel" -c >"$work/out.txt" 2>&1 &
  saver=$!
  pids+=("$saver")
  dialog=$(wait_window "Config dialog") || fail "$1"
  sleep 0.5
  timeout 10 xdotool windowfocus --sync "$dialog"
}

start_saver() {
  xdotool mousemove 400 300
  sleep 0.2
  "$zirbel" /s >"$work/out.txt" 2>&1 3>&- &
  saver=$!
  pids+=("$saver")
  saver_window=$(wait_window SaverWindow) || fail "no SaverWindow appeared"
  sleep 0.5  # let it take the grabs and draw
}

end_saver_with_key() {
  xdotool key q
  wait_exit "$saver" 5 || fail "the saver did not end on q"
  [ "$status" = 0 ] || fail "exit code $status"
}

write_settings() {
  mkdir -p "$XDG_CONFIG_HOME/zirbel"
  printf '%s\n' "$@" >"$XDG_CONFIG_HOME/zirbel/settings.ini"
}

# A second plain window, kept until standard input (fd 4) closes; sets parent2
# and parent2_pid.
start_parent2() {
  mkfifo "$work/fifo2"
  "$parent_helper" "$1" "$2" <"$work/fifo2" >"$work/parent2.txt" 3>&- &
  parent2_pid=$!
  pids+=("$parent2_pid")
  exec 4>"$work/fifo2"
  for _ in $(seq 50); do [ -s "$work/parent2.txt" ] && break; sleep 0.1; done
  parent2=$(head -1 "$work/parent2.txt")
  [ -n "$parent2" ] || fail "the second test window did not start"
  xdotool windowmove "$parent2" 400 10  # beside the first, not over it
}

# Starts the program with the given arguments in the background; sets saver.
start_hack() {
  "$zirbel" "$@" >>"$work/out.txt" 2>&1 3>&- 4>&- &
  saver=$!
  pids+=("$saver")
}

# Looks at window $1 (default: the root window): sets lit (the share of the
# centre circle that is not black) and asym (the share of it that differs from
# its mirror image across the best line through the centre).
probe() {
  local target=${1:-root}
  if [ "$target" = root ]; then
    import -window root -depth 8 "ppm:$work/shot.ppm" 2>/dev/null || fail "no screenshot"
  else
    import -window "$target" -depth 8 "ppm:$work/shot.ppm" 2>/dev/null || fail "no screenshot of $target"
  fi
  local line
  line=$("$symmetry_probe" "$work/shot.ppm") || fail "the probe failed"
  lit=$(sed -n 's/.*lit=\([0-9.]*\).*/\1/p' <<<"$line")
  asym=$(sed -n 's/.*asym=\([0-9.]*\).*/\1/p' <<<"$line")
  echo "probe $target: $line"
}
# Waits up to 5 seconds for window $1 to show a mirrored kaleidoscope.
wait_kaleidoscope() {
  for _ in $(seq 10); do
    probe "$1"
    awk -v l="$lit" -v a="$asym" 'BEGIN{exit !(l > 0.15 && a < 0.1)}' && return 0
    sleep 0.5
  done
  return 1
}
less_than() { awk -v a="$1" -v b="$2" 'BEGIN{exit !(a < b)}'; }

child_geometry() {
  xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'
}

case "$case_name" in
  saver_keys)
    start_saver
    screen=$(xdpyinfo | awk '/dimensions:/{print $2; exit}')
    [ "$(child_geometry "$saver_window")" = "$screen" ] || fail "the window does not cover the screen $screen"
    sleep 1
    mean=$(import -window root -format '%[fx:mean]' info:)
    awk -v m="$mean" 'BEGIN{exit !(m > 0.02)}' || fail "the screen is black (mean $mean)"
    xdotool key 5 m Left Right Up Down space
    sleep 0.7
    alive "$saver" || fail "a control key ended the saver"
    window_gone SaverWindow && fail "the window went away"
    end_saver_with_key
    window_gone SaverWindow || fail "the window is still there"
    ;;

  saver_mouse)
    start_saver
    xdotool mousemove_relative 50 0
    sleep 0.5
    xdotool mousemove_relative -- -50 50
    sleep 0.5
    alive "$saver" || fail "a move of 50 pixels ended the saver"
    xdotool mousemove_relative 0 1
    wait_exit "$saver" 5 || fail "a move of 51 pixels did not end the saver"
    [ "$status" = 0 ] || fail "exit code $status"
    ;;

  saver_click)
    start_saver
    xdotool click 1
    wait_exit "$saver" 5 || fail "a click did not end the saver"
    [ "$status" = 0 ] || fail "exit code $status"
    ;;

  saver_threshold_setting)
    write_settings '[Software\Microsoft\Windows\CurrentVersion\Screen Savers]' 'Mouse Threshold=10'
    start_saver
    xdotool mousemove_relative 10 10
    sleep 0.5
    alive "$saver" || fail "a move of 10 pixels ended the saver"
    xdotool mousemove_relative 1 0
    wait_exit "$saver" 5 || fail "a move of 11 pixels did not end the saver"
    [ "$status" = 0 ] || fail "exit code $status"
    ;;

  saver_focus_loss)
    start_parent 80 60
    start_saver
    xdotool windowfocus "$parent"
    wait_exit "$saver" 5 || fail "losing the focus did not end the saver"
    [ "$status" = 0 ] || fail "exit code $status"
    ;;

  unknown_switch)
    timeout 5 "$zirbel" /x >"$work/out.txt" 2>&1
    status=$?
    [ "$status" = 0 ] || fail "exit code $status"
    [ -s "$work/out.txt" ] && fail "unexpected output: $(cat "$work/out.txt")"
    window_gone SaverWindow || fail "a window appeared"
    ;;

  preview)
    start_parent 200 150
    "$zirbel" -p "$parent" >"$work/out.txt" 2>&1 3>&- &
    saver=$!
    pids+=("$saver")
    child=
    for _ in $(seq 100); do
      child=$(xwininfo -id "$parent" -children 2>/dev/null | awk '/"SaverWindow"/{print $1; exit}')
      [ -n "$child" ] && break
      sleep 0.1
    done
    [ -n "$child" ] || fail "no SaverWindow inside the parent"
    [ "$(child_geometry "$child")" = "200x150" ] || fail "the preview does not fill its parent"
    sleep 1
    mean=$(import -window "$parent" -format '%[fx:mean]' info:)
    awk -v m="$mean" 'BEGIN{exit !(m > 0.02)}' || fail "the preview is black (mean $mean)"
    xdotool key q mousemove_relative 200 200
    sleep 0.3
    alive "$saver" || fail "input ended the preview"
    xdotool windowsize "$parent" 320 240
    for _ in $(seq 50); do [ "$(child_geometry "$child")" = "320x240" ] && break; sleep 0.1; done
    [ "$(child_geometry "$child")" = "320x240" ] || fail "the preview did not follow the parent's size"
    exec 3>&-  # the parent destroys its window
    wait_exit "$saver" 5 || fail "the preview did not end with its parent"
    [ "$status" = 0 ] || fail "exit code $status"
    ;;

  preview_bad_parent)
    for args in "-p 12345" "-p" "-p -7"; do
      # shellcheck disable=SC2086
      timeout 5 "$zirbel" $args >"$work/out.txt" 2>&1
      status=$?
      [ "$status" = 0 ] || fail "zirbel $args: exit code $status"
      [ -s "$work/out.txt" ] && fail "zirbel $args: unexpected output: $(cat "$work/out.txt")"
    done
    ;;

  config_ok)
    open_config_dialog "no Config dialog"
    xdotool key shift+Tab space  # clear the box
    sleep 0.3
    [ -e "$XDG_CONFIG_HOME/zirbel/settings.ini" ] && fail "the box saved by itself"
    xdotool key Return
    wait_exit "$saver" 5 || fail "Enter did not close the dialog"
    [ "$status" = 0 ] || fail "exit code $status"
    grep -qx 'UseMirrors=0' "$XDG_CONFIG_HOME/zirbel/settings.ini" || fail "UseMirrors=0 was not stored"
    # Opened again, the box shows the stored value; OK keeps it and the rest.
    printf 'Other=kept\n' >>"$XDG_CONFIG_HOME/zirbel/settings.ini"
    open_config_dialog "no Config dialog the second time"
    xdotool key Return
    wait_exit "$saver" 5 || fail "Enter did not close the dialog"
    grep -qx 'UseMirrors=0' "$XDG_CONFIG_HOME/zirbel/settings.ini" || fail "the box did not show the stored value"
    grep -qx 'Other=kept' "$XDG_CONFIG_HOME/zirbel/settings.ini" || fail "other content was lost"
    ;;

  config_escape)
    open_config_dialog "no Config dialog"
    xdotool key shift+Tab space Escape
    wait_exit "$saver" 5 || fail "Escape did not close the dialog"
    [ "$status" = 0 ] || fail "exit code $status"
    [ -e "$XDG_CONFIG_HOME/zirbel" ] && fail "Escape wrote settings"
    ;;

  config_no_display)
    DISPLAY= timeout 10 "$zirbel" -c >"$work/out.txt" 2>&1
    status=$?
    [ "$status" = 0 ] || fail "exit code $status"
    grep -qi 'display' "$work/out.txt" || fail "no message about the display: $(cat "$work/out.txt")"
    [ -e "$XDG_CONFIG_HOME/zirbel" ] && fail "settings were written"
    ;;

  saver_no_display)
    # A display that cannot be opened: the set-up message on standard error.
    DISPLAY=:4093 timeout 10 "$zirbel" /s >"$work/out.txt" 2>&1
    status=$?
    [ "$status" = 0 ] || fail "exit code $status"
    grep -qF 'ChoosePixelFormat() failed:  Cannot find a suitable pixel format.' "$work/out.txt" ||
      fail "no set-up message: $(cat "$work/out.txt")"
    ;;

  hack_window_id)
    # The daemon's settings preview: draw into a window made by someone else,
    # follow its size, ignore input, end with the window.
    start_parent 400 300
    start_hack --window-id "$(printf '0x%x' "$parent")"
    wait_kaleidoscope "$parent" || fail "no mirrored picture in the window (lit $lit, asym $asym)"
    xwininfo -id "$parent" -children | grep -q '"SaverWindow"' && fail "drew into a window of its own"
    xdotool mousemove --window "$parent" 100 100 click 1 key q Escape mousemove_relative 300 200
    sleep 0.5
    alive "$saver" || fail "input ended the program"
    xdotool windowsize "$parent" 640 360
    sleep 0.5
    [ "$(child_geometry "$parent")" = "640x360" ] || fail "the window was not resized"
    # Centred in the new size only if viewport and projection followed.
    wait_kaleidoscope "$parent" || fail "the picture did not follow the new size (lit $lit, asym $asym)"
    exec 3>&-  # the window's owner destroys it
    wait_exit "$saver" 5 || fail "the program did not end with its window"
    [ "$status" = 0 ] || fail "exit code $status"
    ;;

  hack_single_buffered_window)
    # A daemon window whose visual cannot carry a double-buffered GL context:
    # the picture goes into a child window of ours that fills it.
    command -v glxinfo >/dev/null || skip "glxinfo is not installed"
    visual=$(glxinfo -v 2>/dev/null | awk '/Visual ID:/ && /TrueColor/ && /type=window/ {id=$3; next}
                                         id && /doubleBuffer=0/ {print "0x" id; exit} {id=""}')
    [ -n "$visual" ] || fail "the display offers no single-buffered GL visual to test with"
    start_parent 400 300 "$visual"
    start_hack --window-id "$parent"
    wait_kaleidoscope "$parent" || fail "no mirrored picture in the window (lit $lit, asym $asym)"
    child=$(xwininfo -id "$parent" -children | awk '/"SaverWindow"/{print $1; exit}')
    [ -n "$child" ] || fail "no window of our own inside the single-buffered one"
    xdotool windowsize "$parent" 640 360
    for _ in $(seq 50); do [ "$(child_geometry "$child")" = "640x360" ] && break; sleep 0.1; done
    [ "$(child_geometry "$child")" = "640x360" ] || fail "the child did not follow the window's size"
    wait_kaleidoscope "$parent" || fail "the picture did not follow the new size (lit $lit, asym $asym)"
    exec 3>&-
    wait_exit "$saver" 5 || fail "the program did not end with its window"
    [ "$status" = 0 ] || fail "exit code $status"
    ;;

  hack_signals)
    start_parent 320 240
    for sig in TERM INT USR1; do
      start_hack --window-id "$parent"
      wait_kaleidoscope "$parent" || fail "no picture before SIG$sig"
      kill -s "$sig" "$saver"
      wait_exit "$saver" 2 || fail "SIG$sig did not end the program within 2 seconds"
      [ "$status" = 0 ] || fail "SIG$sig: exit code $status"
    done
    ;;

  hack_root_instances)
    # One instance per monitor: each finds its window in XSCREENSAVER_WINDOW.
    start_parent 320 240
    start_parent2 360 270
    XSCREENSAVER_WINDOW=$parent start_hack --root --levels 2
    first=$saver
    XSCREENSAVER_WINDOW=$(printf '0x%X' "$parent2") start_hack -root
    second=$saver
    wait_kaleidoscope "$parent" || fail "the first instance shows no picture"
    wait_kaleidoscope "$parent2" || fail "the second instance shows no picture"
    # The second window's owner dies: the server destroys the window, and
    # only that instance ends.
    kill -9 "$parent2_pid"
    wait_exit "$second" 5 || fail "the instance whose window vanished kept running"
    [ "$status" = 0 ] || fail "exit code $status"
    alive "$first" || fail "the other instance ended too"
    kill -TERM "$first"
    wait_exit "$first" 2 || fail "SIGTERM did not end the first instance"
    [ "$status" = 0 ] || fail "exit code $status"
    ;;

  hack_root_window)
    # Without XSCREENSAVER_WINDOW, --root draws on the root window itself.
    xsetroot -solid black 2>/dev/null || true
    env -u XSCREENSAVER_WINDOW "$zirbel" --root >"$work/out.txt" 2>&1 3>&- &
    saver=$!
    pids+=("$saver")
    wait_kaleidoscope root || fail "no mirrored picture on the root window (lit $lit, asym $asym)"
    kill -TERM "$saver"
    wait_exit "$saver" 2 || fail "SIGTERM did not end the program"
    [ "$status" = 0 ] || fail "exit code $status"
    ;;

  hack_mirror_options)
    # The per-run options beat the stored setting, both ways.
    start_parent 400 300
    start_hack --window-id "$parent" --no-mirrors
    sleep 2
    probe "$parent"
    less_than 0.15 "$lit" || fail "--no-mirrors shows nothing"
    less_than "$asym" 0.2 && fail "--no-mirrors still shows a mirrored picture (asym $asym)"
    kill -TERM "$saver"
    wait_exit "$saver" 2 || fail "SIGTERM did not end the program"
    write_settings '[Software\Pomwick\Vostrand]' 'UseMirrors=0'
    start_hack --window-id "$parent" --mirrors --levels 3
    wait_kaleidoscope "$parent" || fail "--mirrors did not win over UseMirrors=0 (asym $asym)"
    kill -TERM "$saver"
    wait_exit "$saver" 2 || fail "SIGTERM did not end the program"
    ;;

  hack_bad_options)
    # Clear errors, exit code 0, nothing drawn.
    while read -r expect args; do
      # shellcheck disable=SC2086
      timeout 5 "$zirbel" $args >"$work/out.txt" 2>&1
      status=$?
      [ "$status" = 0 ] || fail "zirbel $args: exit code $status"
      grep -qF -- "$expect" "$work/out.txt" || fail "zirbel $args: no message with '$expect': $(cat "$work/out.txt")"
      window_gone SaverWindow || fail "zirbel $args: a window appeared"
    done <<'EOF2'
--bogus /s --bogus
levels --root --levels 0
window-id --window-id zzz
0x1ffff0 --window-id 0x1ffff0
EOF2
    XSCREENSAVER_WINDOW=junk timeout 5 "$zirbel" --root >"$work/out.txt" 2>&1
    [ $? = 0 ] || fail "a bad XSCREENSAVER_WINDOW: exit code not 0"
    grep -q 'XSCREENSAVER_WINDOW' "$work/out.txt" || fail "no message about XSCREENSAVER_WINDOW: $(cat "$work/out.txt")"
    timeout 5 "$zirbel" --help >"$work/out.txt" 2>&1 || fail "--help failed"
    for word in --root --window-id --mirrors --no-mirrors --levels; do
      grep -q -- "$word" "$work/out.txt" || fail "--help does not mention $word"
    done
    ;;

  *)
    fail "unknown case $case_name"
    ;;
esac
echo "PASS: $case_name"
exit 0
