# A headless sway of the test's own, for the Wayland end-to-end scripts:
# two outputs side by side, 1280x720 and 1024x768, a virtual keyboard and
# pointer from the input helper ($input_helper), grim for the screenshots;
# $sway_config, when set, adds lines to its configuration.
# Sourced after lib.sh and begin_test, not run.

# sway refuses root: it and its clients run as as_user's user, in a runtime
# folder of that user's own.
wl() { as_user env XDG_RUNTIME_DIR="$work/run" WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$work/run/sway.sock" "$@"; }
start_sway() {
  mkdir -p "$work/run" "$work/home" && chmod 700 "$work/run"
  [ "$(id -u)" = 0 ] && { as_user true; chown zirbel-test "$work/run" "$work/home"; }
  printf 'output HEADLESS-1 resolution 1280x720 position 0 0\noutput HEADLESS-2 resolution 1024x768 position 1280 0\n' \
    >"$work/sway.conf"
  [ -z "${sway_config:-}" ] || echo "$sway_config" >>"$work/sway.conf"  # a case's own lines
  start_bg wl env WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$work/sway.conf"
  wait_for 10 wl swaymsg -t get_outputs >/dev/null 2>&1 || fail "sway did not start"
  pids+=("$(below "$saver" sway)")  # ended at the end, and its clients with it
  # The input helper, fed through fd 3.
  start_fed input wl "$input_helper" && grep -q ready "$work/input.txt" || fail "the input helper did not start"
}
# One line to the input helper, back once the compositor has taken it.
answers() { [ "$(grep -c done "$work/input.txt")" -gt "$1" ]; }
send() {
  local before
  before=$(grep -c done "$work/input.txt")
  echo "$*" >&3
  wait_for 5 answers "$before" || fail "the input helper did not answer"
}
shot() { rm -f "$work/run/shot.ppm" && wl grim -o "$1" -t ppm "$work/run/shot.ppm" && probe_ppm "$1" "$work/run/shot.ppm"; }
probe_with=shot
start_zirbel() { start_bg wl "$zirbel" "$@"; }
# sway's own grey fills the whole probe circle; a kaleidoscope leaves black
# around its arena.
kaleidoscope() { mirrored "$1" && awk -v l="$lit" 'BEGIN{exit !(l < 0.95)}'; }
wait_picture() { wait_for 10 kaleidoscope "$1" || fail "$2 on $1 (lit ${lit:-?}, asym ${asym:-?})"; }
