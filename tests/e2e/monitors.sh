#!/usr/bin/env bash
# End-to-end tests of the Linux program on an Xorg server with two monitors
# of different sizes, side by side (the dummy driver's RandR outputs).
#   monitors.sh CASE ZIRBEL SYMMETRY_PROBE
set -u
case_name=$1 zirbel=$2 symmetry_probe=$3
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/xorg.sh"
for tool in xdotool xsetroot xdpyinfo import convert; do command -v "$tool" >/dev/null || skip "$tool is not installed"; done
[ "$(id -u)" = 0 ] || skip "Xorg with the dummy driver is started as root, and this is not root"
begin_test
mkdir -p "$work/home/.config/zirbel"
start_xorg_dummy || fail "$xorg_why"
export DISPLAY=$xorg_display
first=1280x720+0+0 second=1024x768+1280+0

# The share of the part $1 of the screen that shows the root window's magenta.
magenta() {
  import -window root -crop "$1" +repage "$work/part.ppm" &&
    convert "$work/part.ppm" -fuzz 3% -fill black +opaque '#ff00ff' -fill white -opaque '#ff00ff' -format '%[fx:mean]' info:
}
# Monitor $1 shows a kaleidoscope of its own, centred on it, and no root: a
# plain colour would pass for mirrored too.
own() { mirrored root -crop "$1" && awk -v l="$lit" -v m="$(magenta "$1")" 'BEGIN{exit !(l < 0.95 && m < 0.01)}'; }
own_picture() { wait_for 10 own "$1" || fail "no picture of its own centred on $1 (lit ${lit:-?}, asym ${asym:-?})"; }
start_zirbel() { xsetroot -solid '#ff00ff' && start_bg as_user "$zirbel" "$@"; }
screen_is() { [ "$(xdpyinfo | awk '/dimensions:/{print $2; exit}')" = "$1" ]; }

case "$case_name" in
  saver)
    # The pointer sits on the second monitor, so that switching it off moves
    # the pointer: no activity.
    xdotool mousemove 1800 300
    start_zirbel /s
    window=$(wait_window SaverWindow) || fail "no SaverWindow"
    [ "$(size_of "$window")" = 2304x768 ] || fail "the window does not cover both monitors"
    own_picture "$first" && own_picture "$second"
    xrandr --output DUMMY1 --off
    wait_for 5 screen_is 1280x720 || fail "the second monitor did not go"
    wait_for 5 test "$(size_of "$window")" = 1280x720 || fail "the window did not follow the screen"
    own_picture "$first"
    alive "$saver" || fail "switching a monitor off ended the saver"
    xrandr --output DUMMY1 --mode zirbel-1024x768 --right-of DUMMY0
    own_picture "$second"
    xdotool key q
    expect_exit "$saver" 5 "a key"
    pgrep -f "^$zirbel" && fail "a process is left"
    ;;

  root)
    # --root without XSCREENSAVER_WINDOW draws on the root window itself:
    # per monitor, or only on the primary with AllMonitors=0.
    start_zirbel --root
    own_picture "$first" && own_picture "$second"
    pkill -TERM -xf "$zirbel --root" && expect_exit "$saver" 2 "SIGTERM"
    printf '%s\n' '[Software\Pomwick\Vostrand]' 'AllMonitors=0' >"$work/home/.config/zirbel/settings.ini"
    start_zirbel --root
    own_picture "$first"
    probe root -crop "$second"
    awk -v l="$lit" 'BEGIN{exit !(l < 0.01)}' || fail "AllMonitors=0, and the second monitor is not black"
    ;;

  *) fail "unknown case $case_name" ;;
esac
echo "PASS: $case_name"
