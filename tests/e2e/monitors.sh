#!/usr/bin/env bash
# End-to-end test on a private Xorg server with two monitors of different
# sizes side by side: the full-screen saver, then --root on the bare root window.
#   monitors.sh ZIRBEL SYMMETRY_PROBE
set -u
zirbel=$1 symmetry_probe=$2
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/xorg.sh"
for tool in xdotool xsetroot xdpyinfo import convert; do command -v "$tool" >/dev/null || skip "$tool is not installed"; done
[ "$(id -u)" = 0 ] || skip "Xorg with the dummy driver is started as root, and this is not root"
begin_test
start_xorg_dummy || fail "$xorg_why"
export DISPLAY=$xorg_display XDG_CONFIG_HOME=$work/config
first=1280x720+0+0 second=1024x768+1280+0
# Monitor $1 shows a kaleidoscope centred on it, not the root's magenta (a plain colour passes for mirrored).
own() {
  mirrored root -crop "$1" && m=$(convert "$work/shot.ppm" -fuzz 3% -fill black +opaque '#ff00ff' -format '%[fx:mean]' info:) &&
    awk -v l="$lit" -v m="$m" 'BEGIN{exit !(l < 0.95 && m < 0.01)}'
}
own_picture() { wait_for 10 own "$1" || fail "no picture of its own centred on $1 (lit ${lit:-?}, asym ${asym:-?})"; }
start_zirbel() { xsetroot -solid '#ff00ff' && start_bg as_user "$zirbel" "$@"; }
is() { [ "$("${@:2}")" = "$1" ]; }

xdotool mousemove 1800 300  # switching the second monitor off moves the pointer: no activity
start_zirbel /s && window=$(wait_window SaverWindow) || fail "no SaverWindow"
is 2304x768 size_of "$window" || fail "the window does not cover both monitors"
own_picture "$first" && own_picture "$second"
xrandr --output DUMMY1 --off && wait_for 5 is 1280x720 screen_size || fail "the second monitor did not go"
wait_for 5 is 1280x720 size_of "$window" || fail "the window did not follow the screen"
own_picture "$first"
xrandr --output DUMMY1 --mode zirbel-1024x768 --right-of DUMMY0 && own_picture "$second"
xdotool key q && expect_exit "$saver" 5 "a key"
pgrep -f "^$zirbel" && fail "a process is left"

# On the bare root window: per monitor, or only on the primary with AllMonitors=0.
start_zirbel --root && own_picture "$first" && own_picture "$second"
pkill -TERM -xf "$zirbel --root" && expect_exit "$saver" 2 "SIGTERM"
write_settings '[Software\Pomwick\Vostrand]' 'AllMonitors=0'
start_zirbel --root && own_picture "$first"
black root -crop "$second" || fail "AllMonitors=0, and the second monitor is not black"
echo "PASS: monitors"
