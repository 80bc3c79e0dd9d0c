# start_xorg_dummy [WxH ...]: a private Xorg server (dummy driver, as root) with one RandR monitor per size
# (default 1280x720 1024x768) side by side, the first primary; any local user may connect. Sets xorg (its
# process) and xorg_display (":N"), else returns 1 with xorg_why. Sourced after lib.sh.
xorg_monitors_are() { [ "$(xrandr --listmonitors 2>/dev/null | sed -n 's/^Monitors: //p')" = "$1" ]; }

start_xorg_dummy() {
  local sizes=("${@:-1280x720}") i=0 size mode outputs=(--output DUMMY0 --primary --pos 0x0)
  (($#)) || sizes+=(1024x768)
  xorg_why="Xorg, gtf, xrandr or the dummy driver is missing (tools/setup-debian.sh installs them)"
  command -v Xorg gtf xrandr >/dev/null && [ -e /usr/lib/xorg/modules/drivers/dummy_drv.so ] || return 1
  printf '%s\n' 'Section "ServerFlags"' ' Option "AutoAddDevices" "false"' ' Option "AutoEnableDevices" "false"' \
    'EndSection' 'Section "Device"' ' Identifier "dummy"' ' Driver "dummy"' ' VideoRam 262144' 'EndSection' \
    'Section "Monitor"' ' Identifier "monitor"' ' HorizSync 5.0-1000.0' ' VertRefresh 5.0-200.0' 'EndSection' \
    'Section "Screen"' ' Identifier "screen"' ' Device "dummy"' ' Monitor "monitor"' ' DefaultDepth 24' \
    ' SubSection "Display"' '  Depth 24' '  Virtual 4096 2048' ' EndSubSection' 'EndSection' >"$work/xorg.conf"
  Xorg -displayfd 5 -config "$work/xorg.conf" -noreset -nolisten tcp +extension RANDR -logfile "$work/xorg.log" \
    5>"$work/xorg.fd" >/dev/null 2>&1 3>&- 4>&- &
  xorg=$! && pids+=("$xorg")
  wait_for 15 test -s "$work/xorg.fd" ||
    { xorg_why="Xorg did not start within 15 s (it may need root): $(grep -F '(EE)' "$work/xorg.log" | tail -3)" && return 1; }
  xorg_display=:$(head -1 "$work/xorg.fd") xorg_why="xrandr could not set up ${sizes[*]}"
  local -x DISPLAY=$xorg_display
  for size in "${sizes[@]}"; do
    mode=zirbel-$size
    [[ " ${sizes[*]:0:i} " == *" $size "* ]] ||  # else made for an output before
      xrandr --newmode "$mode" $(gtf "${size%x*}" "${size#*x}" 60 | sed -n 's/^ *Modeline "[^"]*"//p')
    xrandr --addmode "DUMMY$i" "$mode" || return 1
    ((i)) && outputs+=(--output "DUMMY$i" --right-of "DUMMY$((i - 1))")
    outputs+=(--mode "$mode") && i=$((i + 1))
  done
  xrandr "${outputs[@]}" && wait_for 10 xorg_monitors_are "${#sizes[@]}"
}
