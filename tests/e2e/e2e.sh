#!/usr/bin/env bash
# End-to-end tests of the Linux program on an X display.
#   e2e.sh CASE ZIRBEL PARENT_HELPER SYMMETRY_PROBE
# Windows that draw more than one level are at least 512 pixels high and wider
# than high, so that every level copies pixels from inside the window.
set -u
case_name=$1 zirbel=$2 parent_helper=$3 symmetry_probe=$4
source "$(dirname "$0")/lib.sh"
need_display xdotool xwininfo import
begin_test
export XDG_CONFIG_HOME=$work/config

start() { start_bg "$zirbel" "$@"; }
start_saver() {
  xdotool mousemove 400 300
  start /s
  saver_window=$(wait_window SaverWindow) || fail "no SaverWindow appeared"
  wait_for 5 has_focus "$saver_window" || fail "the saver did not take the focus"
}
open_config_dialog() {
  start_bg "$@" "$zirbel" -c
  dialog=$(wait_window "Config dialog") || fail "no Config dialog"
  timeout 10 xdotool windowfocus --sync "$dialog"
  wait_for 5 has_focus "$dialog" || fail "the dialog did not take the focus"
}
# The dialog, closed by keys "$@".
config_keys() { open_config_dialog && xdotool key "$@" && expect_exit "$saver" 5 "the dialog after $*"; }
wait_kaleidoscope() { wait_for 5 mirrored "$1" || fail "$2 (lit ${lit:-?}, asym ${asym:-?})"; }
watcher_running() {
  bus_call session org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner org.zirbel.IdleWatcher 2>/dev/null |
    grep -q true
}
not() { ! "$@"; }
size_is() { [ "$(size_of "$1")" = "$2" ]; }
child_of() { xwininfo -id "$1" -children 2>/dev/null | awk '/"SaverWindow"/{print $1; exit}' | grep .; }
stop() { kill -TERM "$1"; expect_exit "$1" 2 "SIGTERM"; }
# Nothing ends the program within a second of input $1.
keeps_running() { ! wait_for 1 ended "$saver" || fail "$1 ended the program"; }
# The parent grows to 640x360: window $1 follows, and the picture stays
# centred only if viewport and projection follow; the program ends with it.
resize_and_end() {
  xdotool windowsize "$parent" 640 360 && wait_for 5 size_is "$1" 640x360 || fail "the window did not follow the new size"
  wait_kaleidoscope "$parent" "the picture did not follow the new size"
  exec 3>&- && expect_exit "$saver" 5 "the window destroyed"  # by its owner
}
# The saver with the photo folder $1 shows the photos' colours; a key ends it within $2 s.
saver_shows_photos() {
  write_settings '[Software\Pomwick\Vostrand]' "PhotoFolder=$1" && start_saver
  wait_for 10 coloured root || fail "the discs do not show the photos (lit $lit, asym $asym, colours $share)"
  key_ends q "the key q" "$2"
}
# The full-screen saver, ended by a key within $1 s (default 5), its window gone with it.
saver_ends() {
  start_saver
  key_ends q "the key" "${1:-5}"
  window_gone SaverWindow || fail "the saver's window is still there"
}
# The saver, ended by a key within $2 s, says once on standard error that the
# session is not locked, and why: $1. Its output is then cleared for the next.
says_not_locked() {
  saver_ends "${2:-5}"
  [ "$(grep -c 'the session is not locked' "$work/out.txt")" = 1 ] || fail "not one word about the lock"
  grep -q "$1" "$work/out.txt" || fail "the word does not say '$1'"
  : >"$work/out.txt"
}

case "$case_name" in
  saver)
    # The threshold from the settings file: 10 pixels keep the saver, 11 end it.
    write_settings '[Software\Microsoft\Windows\CurrentVersion\Screen Savers]' 'Mouse Threshold=10'
    start_parent 80 60 && start_saver
    size_is "$saver_window" "$(screen_size)" || fail "the window does not cover the screen $(screen_size)"
    wait_for 5 not_black root || fail "the screen stays black"
    xdotool key 5 m Left Right Up Down space mousemove_relative 10 10 && keeps_running "a control key or a move of 10 pixels"
    window_id SaverWindow >/dev/null || fail "the saver's window went"
    for input in "key q" "mousemove_relative 11 0" "click 1" "windowfocus $parent"; do
      alive "$saver" || start_saver
      # shellcheck disable=SC2086
      xdotool $input && expect_exit "$saver" 5 "$input"
    done
    ;;

  quick_exits)
    start_parent 200 150 && exec 3>&-  # the helper destroys its window
    wait_for 5 ended "$fed" || fail "the window was not destroyed"
    while IFS='|' read -r expect environment args; do
      # shellcheck disable=SC2086
      env $environment timeout 5 "$zirbel" $args >"$work/out.txt" 2>&1 || fail "zirbel $args: exit code $? (124: it hung)"
      [ "$expect" = - ] && [ -s "$work/out.txt" ] && fail "zirbel $args: unexpected output"
      [ "$expect" = - ] || grep -qiF -- "$expect" "$work/out.txt" || fail "zirbel $args: no message with '$expect'"
      window_gone SaverWindow || fail "zirbel $args: a window appeared"
    done <<EOF2
-||/x
-||-p 12345
-||-p $parent
Cannot open the X display ":4093".|DISPLAY=:4093|/s
display|DISPLAY=|-c
--bogus||/s --bogus
0x1ffff0||--window-id 0x1ffff0
XSCREENSAVER_WINDOW|XSCREENSAVER_WINDOW=junk|--root
EOF2
    [ -e "$XDG_CONFIG_HOME/zirbel" ] && fail "settings were written"
    timeout 5 "$zirbel" --help 2>&1 | grep -q -- --window-id || fail "--help shows no usage"
    # A stored value that cannot be used is reported once, with the file and the key.
    write_settings '[Software\Pomwick\Vostrand]' $'PhotoFolder=/a\xff' 'UseMirrors=on'
    timeout 5 "$zirbel" /x >"$work/out.txt" 2>&1
    for key in PhotoFolder UseMirrors; do
      [ "$(grep -c "zirbel/settings.ini: $key is not" "$work/out.txt")" = 1 ] || fail "$key not reported once"
    done
    ;;

  preview)
    start_parent 200 150 && start -p "$parent"
    child=$(wait_for 10 child_of "$parent") || fail "no SaverWindow inside the parent"
    size_is "$child" 200x150 || fail "the preview does not fill its parent"
    wait_for 5 not_black "$parent" || fail "the preview stays black"
    xdotool key q mousemove_relative 200 200 && keeps_running "input to the preview"
    xdotool windowsize "$parent" 320 240
    wait_for 5 size_is "$child" 320x240 || fail "the preview did not follow the parent's size"
    exec 3>&- && expect_exit "$saver" 5 "the parent destroyed"  # by the helper
    ;;

  config)
    # Only OK stores the boxes (clearing one saves nothing by itself); opened
    # again, a box shows the stored value. "Built-in pictures" (just before OK)
    # clears a stored photo folder (the first column); only OK stores that.
    while IFS='|' read -r stored keys expect; do
      [ -z "$stored" ] || write_settings '[Software\Pomwick\Vostrand]' "$stored"
      # shellcheck disable=SC2086
      config_keys $keys
      [ "$expect" = absent ] && [ ! -e "$XDG_CONFIG_HOME/zirbel" ] ||
        grep -qx "$expect" "$XDG_CONFIG_HOME/zirbel/settings.ini" 2>/dev/null || fail "after $keys: not $expect"
    done <<'EOF2'
|shift+Tab shift+Tab shift+Tab shift+Tab space Escape|absent
|shift+Tab shift+Tab shift+Tab shift+Tab space Return|UseMirrors=0
|shift+Tab shift+Tab shift+Tab space Return|AllMonitors=0
|Return|UseMirrors=0
PhotoFolder=/p|shift+Tab space Escape|PhotoFolder=/p
|shift+Tab space Return|PhotoFolder=
EOF2
    # "Start after N minutes of inactivity", the first box, shows whether the
    # autostart entry exists: OK with it turned on writes the entry and starts
    # the watcher; turned off, removes the entry and ends the watcher, asked
    # over the session bus.
    start_session_bus
    entry=$XDG_CONFIG_HOME/autostart/zirbel-idle.desktop
    first_box=(shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab space Return)
    config_keys "${first_box[@]}"
    grep -qx "Exec=$zirbel --on-idle" "$entry" || fail "no autostart entry that starts $zirbel --on-idle"
    wait_for 5 watcher_running || fail "the watcher did not start"
    config_keys "${first_box[@]}"
    [ -e "$entry" ] && fail "the autostart entry is still there"
    wait_for 5 not watcher_running || fail "the watcher still runs"
    # A folder that cannot be written (as an unprivileged user, whom it binds):
    # OK fails with a word on standard error and no message box.
    cp "$XDG_CONFIG_HOME/zirbel/settings.ini" "$work/before.ini" && chmod 555 "$XDG_CONFIG_HOME/zirbel"
    open_config_dialog as_user
    xdotool key shift+Tab shift+Tab shift+Tab space Return && expect_exit "$saver" 5 "Enter in a read-only folder"
    cmp -s "$XDG_CONFIG_HOME/zirbel/settings.ini" "$work/before.ini" || fail "the settings file was changed"
    said 'could not be saved'
    window_gone Error || fail "a message box appeared"
    ;;

  hack_window_id)
    # The daemon's settings preview: draw into a window made by someone else,
    # follow its size, ignore input, end with the window.
    start_parent 400 300 && start --window-id "$(printf '0x%x' "$parent")"
    wait_kaleidoscope "$parent" "no mirrored picture in the window"
    child_of "$parent" >/dev/null && fail "drew into a window of its own"
    xdotool mousemove --window "$parent" 100 100 click 1 key q Escape mousemove_relative 300 200 && keeps_running "input"
    resize_and_end "$parent"
    # Each stop signal ends the program at once, with exit code 0. The runs
    # show the mirror options: --no-mirrors; after it UseMirrors=0, which
    # --mirrors overrides and which holds without an option.
    start_parent 640 512
    for run in "TERM unmirrored --no-mirrors" "INT mirrored --mirrors --levels 3" "USR1 unmirrored"; do
      read -r sig picture options <<<"$run"
      # shellcheck disable=SC2086
      start --window-id "$parent" $options && wait_for 5 "$picture" "$parent" ||
        fail "no $picture picture with '$options' before SIG$sig (lit ${lit:-?}, asym ${asym:-?})"
      kill -s "$sig" "$saver" && expect_exit "$saver" 2 "SIG$sig"
      write_settings '[Software\Pomwick\Vostrand]' 'UseMirrors=0'
    done
    ;;

  hack_hidden_window)
    # Nothing is drawn while the window is unmapped, and drawing resumes soon
    # after it is mapped again. The CPU time while unmapped is shown, not judged.
    [ -f "${ZIRBEL_SWAP_PROBE:-}" ] || skip "no swap probe (benchmarks not built)"
    frames() { echo $(($(stat -c %s "$work/swaps" 2>/dev/null || echo 0) / 8)); }
    more_frames_than() { [ "$(frames)" -gt "$1" ]; }
    cpu_ticks() { awk '{print $14 + $15}' "/proc/$saver/stat"; }
    start_parent 320 240 && LD_PRELOAD=$ZIRBEL_SWAP_PROBE ZIRBEL_SWAP_LOG=$work/swaps start --window-id "$parent"
    wait_for 10 more_frames_than 10 || fail "no frames within 10 s"
    xdotool windowunmap --sync "$parent" && sleep 0.3  # the frame in flight when the window went
    before=$(frames) ticks=$(cpu_ticks) && sleep 2 && after=$(frames)
    echo "unmapped for 2 s: $((after - before)) frames, $(($(cpu_ticks) - ticks)) CPU ticks of $(getconf CLK_TCK) a second"
    [ "$after" = "$before" ] || fail "$((after - before)) frames drawn while the window was unmapped"
    xdotool windowmap --sync "$parent" && wait_for 1 more_frames_than "$after" ||
      fail "no frame within 1 s of mapping the window again"
    ;;

  hack_single_buffered_window)
    # A daemon window whose visual cannot carry a double-buffered GL context:
    # the picture goes into a child window of ours that fills it.
    command -v glxinfo >/dev/null || skip "glxinfo is not installed"
    visual=$(glxinfo -v 2>/dev/null | awk '/Visual ID:/ && /TrueColor/ && /type=window/ {id=$3; next}
                                         id && /doubleBuffer=0/ {print "0x" id; exit} {id=""}')
    [ -n "$visual" ] || fail "the display offers no single-buffered GL visual to test with"
    start_parent 400 300 "$visual" && start --window-id "$parent"
    wait_kaleidoscope "$parent" "no mirrored picture in the window"
    child=$(child_of "$parent") || fail "no window of our own inside the single-buffered one"
    resize_and_end "$child"
    ;;

  hack_root)
    # One instance per monitor: each finds its window in XSCREENSAVER_WINDOW.
    start_parent 640 512 && first_parent=$parent && exec 4>&3
    start_parent 360 270 && second_owner=$fed
    xdotool windowmove "$parent" 700 10  # beside the first, not over it
    XSCREENSAVER_WINDOW=$first_parent start --root --levels 2 && first=$saver
    XSCREENSAVER_WINDOW=$(printf '0x%X' "$parent") start -root
    wait_kaleidoscope "$first_parent" "the first instance shows no picture"
    wait_kaleidoscope "$parent" "the second instance shows no picture"
    # The second window's owner dies: only that instance ends.
    kill -9 "$second_owner" && expect_exit "$saver" 5 "the second window destroyed"
    alive "$first" || fail "the other instance ended too"
    stop "$first"
    ;;

  photos)
    # Photos in two loud colours beside broken, empty, huge-header and looping
    # entries: the discs show mostly those colours, still mirrored; the broken
    # entries are named on standard error; a key ends it with exit code 0.
    make_photos "$work/photos" --count 8 --png-every 4 --broken
    saver_shows_photos "$work/photos" 5
    for name in cut-off.jpg empty.jpg huge-header.jpg huge-header.png notes.jpg; do said "$name: skipped"; done
    # Thousands of files: the built-in pictures show at once, the photos follow.
    make_photos "$work/many" --count 3000 --size 96x64
    start_parent 640 512 && start --window-id "$parent" --photos "$work/many"
    wait_for 5 mirrored "$parent" || fail "no picture within 5 s with 3000 photos"
    wait_for 10 coloured "$parent" || fail "the photos did not follow"
    stop "$saver"
    # A missing folder: the built-in pictures, and a word why.
    start --window-id "$parent" --photos "$work/none"
    wait_kaleidoscope "$parent" "no picture with a missing folder"
    probe_colours=$photo_colours probe "$parent" && probed 's < 0.5' || fail "the built-in pictures look like the photos ($share)"
    wait_for 5 grep -q "showing the built-in pictures" "$work/out.txt" || fail "no word about the missing folder"
    ;;

  phone_photos)
    # HEIC, AVIF and WebP photos in the two colours, each decoded in the
    # sandboxed helper, beside cut-off ones of each kind: the discs show the
    # colours, the cut-off ones are named with their reason, a key ends it at
    # once and no helper is left.
    make_phone_photos "$work/phone" heic avif webp
    saver_shows_photos "$work/phone" 5
    said "cut-off.heic: skipped, " "cut-off.avif: skipped, " "cut-off.webp: skipped, "
    wait_for 2 eval "! pgrep -f -- '--zirbel-photo-helper $saver\$' >/dev/null" || fail "a photo helper outlived the saver"
    ;;

  photos_stalled)
    # The first photo is held by another program (a write lease: every open
    # of it waits, as on a share that stopped answering) and a pipe stands
    # where a photo is expected: the photos after them show, each is named
    # with its reason, and SIGTERM or a key ends the program at once.
    make_photos "$work/photos" --count 8
    cp "$work/photos/$(ls "$work/photos" | grep -m1 'jpg$')" "$work/photos/0-held.jpg" && mkfifo "$work/photos/0-pipe.jpg"
    "$ZIRBEL_LEASE_HELPER" "$work/photos/0-held.jpg" >"$work/lease.txt" 2>&1 &
    pids+=("$!")
    wait_for 5 grep -q ready "$work/lease.txt" || skip "no write lease here: $(cat "$work/lease.txt")"
    start_parent 640 512 && XSCREENSAVER_WINDOW=$parent start --root --photos "$work/photos"
    wait_for 10 coloured "$parent" || fail "the photos after the held one do not show"
    stop "$saver"
    said '0-held.jpg: skipped, in use by another program' '0-pipe.jpg: skipped, not a regular file (a pipe)'
    saver_shows_photos "$work/photos" 2
    ;;

  server_gone)
    start_xvfb 800x600x24 || fail "the private X server did not start"
    pids+=("$xvfb") && export DISPLAY=$xvfb_display
    start /s && wait_window SaverWindow >/dev/null || fail "no SaverWindow on the private server"
    wait_for 5 not_black root || fail "the saver draws nothing on the private server"
    kill -9 "$xvfb" && expect_exit "$saver" 3 "the X server gone"
    said 'connection to the X server was lost'
    rm -f "/tmp/.X${xvfb_display#:}-lock" "/tmp/.X11-unix/X${xvfb_display#:}"
    ;;

  xscreensaver)
    # The daemon runs "zirbel --root" as its only hack (as an unprivileged user,
    # from a copy that user can read): activating it must put a mirrored
    # kaleidoscope on the screen, deactivating it must end the hack.
    command -v xscreensaver-command >/dev/null || fail "xscreensaver is not installed (tools/setup-debian.sh installs it)"
    owner=$( [ "$(id -u)" = 0 ] && echo zirbel-test || id -un)
    as_user true || fail "cannot run as the unprivileged user"
    stop_daemon() {
      as_user xscreensaver-command -exit >/dev/null 2>&1
      for p in $(hack_pids) $(pgrep -P "${pids[0]:-0}"); do kill -9 "$p"; done 2>/dev/null
      end_test
    }
    trap stop_daemon EXIT
    fail() { echo "FAIL: $*"; echo "daemon log:"; tail -n 30 "$work/daemon.log"; exit 1; }

    mkdir -p "$work/bin" "$work/home" && cp "$zirbel" "$work/bin/zirbel"
    [ -x "$(dirname "$zirbel")/zirbel-config" ] && cp "$(dirname "$zirbel")/zirbel-config" "$work/bin/"
    chmod 755 "$work/bin" "$work/bin"/* && hack="$work/bin/zirbel"
    printf '%s\n' 'mode: one' 'selected: 0' 'lock: False' 'splash: False' 'fade: False' 'unfade: False' \
      'timeout: 1:00:00' 'cycle: 0:00:00' 'dpmsEnabled: False' 'captureStderr: True' \
      "programs: GL: $hack --root \\n\\" '' >"$work/home/.xscreensaver"
    chown -R "$owner" "$work/home"
    hack_pids() { pgrep -u "$owner" -f "^$hack --root"; }

    as_user xscreensaver -no-splash -verbose >"$work/daemon.log" 2>&1 & pids+=("$!")
    wait_for 10 as_user xscreensaver-command -time >/dev/null 2>&1 || fail "the daemon did not answer within 10 seconds"
    as_user xscreensaver-command -activate >/dev/null 2>&1 || fail "xscreensaver-command -activate failed"
    pid=$(wait_for 10 hack_pids | head -1) && [ -n "$pid" ] || fail "the daemon did not start the hack"

    wait_for 10 mirrored root || fail "no mirrored kaleidoscope on the screen (${line:-})"
    alive "$pid" || fail "the hack ended while the saver was active"

    as_user xscreensaver-command -deactivate >/dev/null 2>&1 || fail "xscreensaver-command -deactivate failed"
    wait_for 10 ended "$pid" || fail "the hack is still running 10 seconds after the deactivation"
    grep -iE 'zirbel: |crash|signal 11|core dumped' "$work/daemon.log" && fail "the hack reported a problem"
    ;;

  lock)
    # No bus at all, a bus without logind, logind without a session of ours:
    # one word each, and the saver closes as before. Then, with the session:
    # no lock within the grace period, one after it, and no word about it (a
    # Password Delay of 0: any key after the first millisecond comes after
    # it). Last a bus that takes the connection and never answers: a word,
    # and the saver closes within the call's time limit.
    need_dbusmock
    unset XDG_SESSION_ID
    lock_settings 0 1
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/nowhere
    says_not_locked "no system bus"
    start_system_bus
    says_not_locked "logind does not run"
    start_logind_mock c7
    unset XDG_SESSION_ID
    says_not_locked "no session"
    export XDG_SESSION_ID=c7
    while read -r delay lock_calls why; do
      lock_settings "$delay" 1
      saver_ends
      locks "$lock_calls" "$why"
    done <<'EOF2'
3600 0 a key within the grace period
0 1 a key after the grace period
EOF2
    grep -q 'not locked' "$work/out.txt" && fail "a word about the lock, which worked"
    start_fed mute /usr/bin/python3 -c 'import signal, socket, sys
s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(8); print(flush=True); signal.pause()' \
      "$work/mute" || fail "the mute bus did not start"
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/mute
    says_not_locked "does not answer" 4
    ;;

  *) fail "unknown case $case_name" ;;
esac
echo "PASS: $case_name"
