# Helpers shared by the end-to-end scripts and the test command; sourced, not
# run. Exit codes of the tests: 0 pass, 1 fail, 77 skip.

skip() { echo "SKIP: $*"; exit 77; }
fail() {
  echo "FAIL: $*"
  [ -s "${work:-}/out.txt" ] && { echo "program output:"; cat "$work/out.txt"; }
  exit 1
}

wait_for() {
  local end=$((${EPOCHREALTIME/./} + ${1%.*} * 1000000))
  until "${@:2}"; do
    ((${EPOCHREALTIME/./} < end)) || return 1
    sleep 0.1
  done
}

# A private folder and background processes (and their children), gone on exit.
begin_test() {
  work=$(mktemp -d /tmp/zirbel-e2e-XXXXXX)
  chmod 755 "$work"  # another user may have to reach it
  pids=()
  trap end_test EXIT
}
end_test() {
  local p
  for p in "${pids[@]}"; do pkill -P "$p"; kill "$p"; done 2>/dev/null
  exec 3>&- 4>&- 2>/dev/null
  rm -rf "$work"
}

need_display() {
  local tool
  for tool in xdpyinfo "$@"; do command -v "$tool" >/dev/null || skip "$tool is not installed"; done
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 || skip "cannot open display '${DISPLAY:-}'"
}

# A private X server of screen size $1 on a free display; sets xvfb (its
# process) and xvfb_display (":N").
start_xvfb() {
  local fd_file
  fd_file=$(mktemp)
  Xvfb -displayfd 5 -screen 0 "${1:-1920x1080x24}" -nolisten tcp -noreset 5>"$fd_file" >/dev/null 2>&1 3>&- 4>&- &
  xvfb=$!
  wait_for 10 test -s "$fd_file"
  xvfb_display=:$(head -1 "$fd_file")
  rm -f "$fd_file"
  [ "$xvfb_display" != : ] && wait_for 10 env DISPLAY="$xvfb_display" xdpyinfo >/dev/null 2>&1
}

# Runs a command with HOME=$work/home, as the user zirbel-test when root (a
# screen-saver daemon refuses to start programs as root).
as_user() {
  if [ "$(id -u)" = 0 ]; then
    id zirbel-test >/dev/null 2>&1 ||
      useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin zirbel-test
    runuser -u zirbel-test -- env HOME="$work/home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin "$@"
  else
    env HOME="$work/home" PATH=/usr/bin:/bin "$@"
  fi
}

window_id() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
wait_window() { wait_for 10 window_id "$1"; }
window_gone() { ! window_id "$1" >/dev/null; }
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
alive() { kill -0 "$1" 2>/dev/null; }
# Starts a command in the background, its output kept for fail(); sets saver.
start_bg() { "$@" >>"$work/out.txt" 2>&1 </dev/null 3>&- 4>&- & saver=$! && pids+=("$saver"); }
ended() { ! alive "$1"; }
# The process named $2 at or below process $1 (below a shell and as_user's runuser).
below() {
  local p=$1
  while [ -n "$p" ] && [ "$(ps -o comm= -p "$p")" != "$2" ]; do p=$(pgrep -P "$p" | head -1); done
  echo "$p"
}
size_of() { xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'; }
screen_size() { xdpyinfo | awk '/dimensions:/{print $2; exit}'; }

expect_exit() {
  wait_for "$2" ended "$1" || fail "$3: the program still runs after $2 s"
  wait "$1" || fail "$3: exit code $?"
}

# Starts "$@" in the background on a fifo that fd 3 feeds (closing fd 3 ends
# its input), its output in $work/$1.txt, and waits for a first line of it;
# sets fed (its pid).
start_fed() {
  local name=$1
  rm -f "$work/$name.fifo" "$work/$name.txt" && mkfifo -m 666 "$work/$name.fifo"
  "${@:2}" <"$work/$name.fifo" >"$work/$name.txt" 2>>"$work/out.txt" 3>&- 4>&- &
  fed=$! && pids+=("$fed")
  exec 3>"$work/$name.fifo"
  wait_for 5 test -s "$work/$name.txt"
}
# A plain X window from the parent helper (arguments: WIDTH HEIGHT [VISUAL]),
# kept until fd 3 closes; sets `parent`.
start_parent() {
  start_fed parent "$parent_helper" "$@"
  parent=$(head -1 "$work/parent.txt")
  [ -n "$parent" ] || fail "the test parent window did not start"
}

# Probes window $1 (or root), or its part -crop WxH+X+Y: sets lit (the share
# of the centre circle that is not black) and asym (the share that differs
# from its mirror image).
probe() {
  import -window "$1" "${@:2}" +repage -depth 8 "ppm:$work/shot.ppm" 2>/dev/null || return 1
  probe_ppm "$*" "$work/shot.ppm"
}
# The same for a screenshot in file $2, named $1 in the log.
probe_ppm() {
  # shellcheck disable=SC2086
  line=$("$symmetry_probe" "$2" ${probe_colours:-}) || fail "the probe failed"
  read -r lit asym _ share < <(sed "s/[a-z]*=//g" <<<"$line")
  echo "probe $1: $line"
}
not_black() { awk -v m="$(import -window "$1" -format '%[fx:mean]' info:)" 'BEGIN{exit !(m > 0.02)}'; }
# The last probe's lit (l), asym (a) and share (s) meet condition $1, an awk expression.
probed() { awk -v l="${lit:-0}" -v a="${asym:-1}" -v s="${share:-0}" "BEGIN{exit !($1)}"; }
# $probe_with (default probe) takes the screenshot: a window, or an output.
mirrored() { "${probe_with:-probe}" "$@" && probed 'l > 0.15 && a < 0.1'; }
unmirrored() { "${probe_with:-probe}" "$1" && probed 'l > 0.15 && a >= 0.2'; }
# Mirrored and mostly in the test photos' colours.
photo_colours=ff00ff,00ff00
coloured() { probe_colours=$photo_colours mirrored "$@" && probed 's > 0.7'; }
black() { "${probe_with:-probe}" "$@" && probed 'l < 0.01'; }

# The saver's settings file, of lines "$@".
write_settings() { mkdir -p "$XDG_CONFIG_HOME/zirbel" && printf '%s\n' "$@" >"$XDG_CONFIG_HOME/zirbel/settings.ini"; }
# Each of "$@" is on the programs' standard error.
said() {
  local text
  for text in "$@"; do grep -qF -- "$text" "$work/out.txt" || fail "no word on standard error: $text"; done
}
# Key $1 ends the saver within $3 s (default 5); $2 names the input.
key_ends() { xdotool key "$1" && expect_exit "$saver" "${3:-5}" "${2:-the key $1}"; }

# Photos in folder $1 from the photo maker, in the photo colours; "${@:2}"
# are its further options.
make_photos() { "${make_photos:-$ZIRBEL_MAKE_PHOTOS}" "$1" --colours "$photo_colours" "${@:2}" || fail "no photos made in $1"; }
# A phone's photos in folder $1, made from six JPEGs encoded in turn as the
# kinds "${@:2}" (heic, heic-thumbnail, heic-10bit, avif, webp), beside a
# cut-off copy of the first of each kind.
make_phone_photos() {
  local phone=$1 kinds=("${@:2}") i=0 f kind made
  make_photos "$phone-source" --count 6
  mkdir -p "$phone"
  for f in "$phone-source"/*.jpg "$phone-source"/more/*.jpg; do
    kind=${kinds[i % ${#kinds[@]}]}
    case $kind in
      heic) heif-enc -q 80 "$f" -o "$phone/$i.heic" ;;
      heic-thumbnail) heif-enc -q 80 -t 320 "$f" -o "$phone/$i.heic" ;;
      # A 16-bit PNG, named as such: from the palette PNG convert writes of a
      # one-colour photo, heif-enc makes a 10-bit image half of whose pixels are white.
      heic-10bit) convert "$f" -auto-orient -depth 16 PNG48:"$work/deep.png" && heif-enc -q 80 -b 10 "$work/deep.png" -o "$phone/$i.heic" ;;
      avif) heif-enc -A -q 60 "$f" -o "$phone/$i.avif" ;;
      webp) cwebp -quiet -metadata exif "$f" -o "$phone/$i.webp" ;;
    esac >/dev/null 2>&1 || fail "$f could not be made a $kind photo"
    i=$((i + 1))
  done
  for kind in heic avif webp; do
    made=$(ls "$phone"/*."$kind" 2>/dev/null | head -n 1) && [ -n "$made" ] || continue
    head -c "$(($(stat -c %s "$made") / 2))" "$made" >"$phone/cut-off.$kind"
  done
}

# A private bus of kind $1: system (open to every user) or session (run by
# the command "${@:2}", none: directly); sets and exports
# DBUS_SYSTEM_BUS_ADDRESS or DBUS_SESSION_BUS_ADDRESS.
start_bus() {
  local kind=$1 config=--session
  if [ "$kind" = system ]; then
    config=--config-file=$work/system-bus.conf
    cat >"$work/system-bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_type="method_call"/>
    <allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
  </policy>
</busconfig>
CONF
  fi
  "${@:2}" dbus-daemon "$config" --nofork --print-address=1 >"$work/$kind-bus.txt" 2>>"$work/out.txt" </dev/null 3>&- 4>&- &
  pids+=("$!")
  wait_for 5 test -s "$work/$kind-bus.txt" || fail "the private $kind bus did not start"
  export "DBUS_${kind^^}_BUS_ADDRESS=$(head -1 "$work/$kind-bus.txt")"
}
start_system_bus() { start_bus system; }
start_session_bus() { start_bus session "$@"; }
# Calls method $4 of object $3 of $2 on bus $1 (system or session), arguments "${@:5}".
bus_call() { gdbus call "--$1" --dest "$2" --object-path "$3" --method "${@:4}"; }

# python3-dbusmock's logind on the private system bus (started here if it
# does not run yet), with one active session "$1" (default c1) of the current
# user, which XDG_SESSION_ID names; its method calls are logged, one a line
# with a time stamp, in $logind_log. Sets logind_session (the session's object
# path).
logind_call() { bus_call system org.freedesktop.login1 "$@"; }
start_logind_mock() {
  need_dbusmock
  [ -s "$work/system-bus.txt" ] || start_system_bus
  logind_log=$work/logind.log
  /usr/bin/python3 -m dbusmock --system --template logind -l "$logind_log" >>"$work/out.txt" 2>&1 </dev/null 3>&- 4>&- &
  pids+=("$!")
  wait_for 10 logind_call /org/freedesktop/login1 org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1 ||
    fail "the logind mock did not start"
  logind_session=$(logind_call /org/freedesktop/login1 org.freedesktop.DBus.Mock.AddSession "${1:-c1}" seat0 \
    "$(id -u)" "$(id -un)" true | sed -n "s/^(\(objectpath \)\?'\(.*\)',)$/\2/p")
  [ -n "$logind_session" ] || fail "the logind mock has no session"
  export XDG_SESSION_ID=${1:-c1}
}
need_dbusmock() {
  command -v dbus-daemon >/dev/null || skip "dbus-daemon is not installed"
  /usr/bin/python3 -c 'import dbusmock' 2>/dev/null || skip "python3-dbusmock is not installed"
}
# The saver's settings: Password Delay $1 seconds, LockOnReturn $2.
lock_settings() {
  write_settings '[Software\Microsoft\Windows\CurrentVersion\Screen Savers]' "Password Delay=$1" \
    '[Software\Pomwick\Vostrand]' "LockOnReturn=$2"
}
# Sets the manager's BlockInhibited (logind's inhibitors' kinds) to "$1".
logind_block_inhibited() {
  local how=(AddProperty org.freedesktop.login1.Manager BlockInhibited "<'$1'>")
  [ -n "${logind_blocks:-}" ] && how=(UpdateProperties org.freedesktop.login1.Manager "{'BlockInhibited': <'$1'>}")
  logind_call /org/freedesktop/login1 "org.freedesktop.DBus.Mock.${how[0]}" "${how[@]:1}" >/dev/null ||
    fail "BlockInhibited could not be set"
  logind_blocks=1
}
# How often method $1 (Lock, GetSession, ...) was called on the mock.
logind_calls() { grep -c "^[0-9.]* $1\b" "$logind_log" 2>/dev/null || true; }
logind_called() { [ "$(logind_calls "$1")" -gt 0 ]; }
locks() { [ "$(logind_calls Lock)" = "$1" ] || fail "$2: Lock was called $(logind_calls Lock) times"; }
# Sets the session's LockedHint (true or false), or sends it a Lock signal.
logind_set_locked_hint() {
  logind_call "$logind_session" org.freedesktop.DBus.Mock.UpdateProperties org.freedesktop.login1.Session \
    "{'LockedHint': <$1>}" >/dev/null
}
logind_send_lock() {
  logind_call "$logind_session" org.freedesktop.DBus.Mock.EmitSignal org.freedesktop.login1.Session Lock '' '[]' >/dev/null
}
