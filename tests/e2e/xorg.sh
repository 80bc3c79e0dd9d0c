# A private Xorg server whose dummy driver gives real RandR outputs; sourced
# after lib.sh (it uses $work, wait_for and pids).
#   start_xorg_dummy [WxH ...]
# One monitor per size (default 1280x720 1024x768), side by side from the
# left, the first primary. Sets xorg (the server's process) and xorg_display
# (":N"); on failure returns 1 with the reason in xorg_why. The server runs
# without an authorization file, so local clients of any user may connect
# (as_user included). Xorg itself usually has to run as root.
xorg_monitor_count() { DISPLAY=$xorg_display xrandr --listmonitors 2>/dev/null | sed -n 's/^Monitors: //p'; }

start_xorg_dummy() {
  local sizes=("$@") fd_file=$work/xorg.fd i=0 size mode
  ((${#sizes[@]})) || sizes=(1280x720 1024x768)
  xorg_why="Xorg, gtf or the dummy driver is not installed (tools/setup-debian.sh installs them)"
  command -v Xorg >/dev/null && command -v gtf >/dev/null && command -v xrandr >/dev/null &&
    [ -e /usr/lib/xorg/modules/drivers/dummy_drv.so ] || return 1
  printf '%s\n' 'Section "ServerFlags"' ' Option "AutoAddDevices" "false"' ' Option "AutoEnableDevices" "false"' \
    'EndSection' 'Section "Device"' ' Identifier "dummy"' ' Driver "dummy"' ' VideoRam 262144' 'EndSection' \
    'Section "Monitor"' ' Identifier "monitor"' ' HorizSync 5.0-1000.0' ' VertRefresh 5.0-200.0' 'EndSection' \
    'Section "Screen"' ' Identifier "screen"' ' Device "dummy"' ' Monitor "monitor"' ' DefaultDepth 24' \
    ' SubSection "Display"' '  Depth 24' '  Virtual 4096 2048' ' EndSubSection' 'EndSection' >"$work/xorg.conf"
  Xorg -displayfd 5 -config "$work/xorg.conf" -noreset -nolisten tcp +extension RANDR -logfile "$work/xorg.log" \
    5>"$fd_file" >/dev/null 2>&1 3>&- 4>&- &
  xorg=$! && pids+=("$xorg")
  xorg_why="Xorg did not start within 15 s (log: $work/xorg.log; it may need root)"
  wait_for 15 test -s "$fd_file" || return 1
  xorg_display=:$(head -1 "$fd_file")
  local outputs=(--output DUMMY0 --primary --pos 0x0)
  xorg_why="xrandr could not set up ${sizes[*]} on $xorg_display"
  for size in "${sizes[@]}"; do
    mode=zirbel-$size
    # shellcheck disable=SC2046
    DISPLAY=$xorg_display xrandr --newmode "$mode" $(gtf "${size%x*}" "${size#*x}" 60 | sed -n 's/^ *Modeline "[^"]*"//p') &&
      DISPLAY=$xorg_display xrandr --addmode "DUMMY$i" "$mode" || return 1
    ((i)) && outputs+=(--output "DUMMY$i" --right-of "DUMMY$((i - 1))")
    outputs+=(--mode "$mode")
    i=$((i + 1))
  done
  DISPLAY=$xorg_display xrandr "${outputs[@]}" || return 1
  wait_for 10 test "$(xorg_monitor_count)" = "${#sizes[@]}"
}
