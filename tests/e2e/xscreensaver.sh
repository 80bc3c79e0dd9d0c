#!/usr/bin/env bash
# xscreensaver runs "zirbel --root" as its only hack (as an unprivileged user,
# from a copy that user can read): activating it must put a mirrored
# kaleidoscope on the screen, deactivating it must end the hack.
#   xscreensaver.sh ZIRBEL SYMMETRY_PROBE
set -u
zirbel=$1 symmetry_probe=$2
source "$(dirname "$0")/lib.sh"
need_display import
for tool in xscreensaver xscreensaver-command; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (tools/setup-debian.sh installs it)"
done
begin_test
owner=$( [ "$(id -u)" = 0 ] && echo zirbel-test || id -un)
as_user true || fail "cannot run as the unprivileged user"
stop_daemon() {
  as_user xscreensaver-command -exit >/dev/null 2>&1
  for p in $(hack_pids) $(pgrep -P "${pids[0]:-0}"); do kill -9 "$p"; done 2>/dev/null
  end_test
}
trap stop_daemon EXIT
fail() { echo "FAIL: $*"; echo "daemon log:"; tail -n 30 "$work/daemon.log"; exit 1; }

mkdir -p "$work/bin" "$work/home"
cp "$zirbel" "$work/bin/zirbel"
[ -x "$(dirname "$zirbel")/zirbel-config" ] && cp "$(dirname "$zirbel")/zirbel-config" "$work/bin/"
chmod 755 "$work/bin" "$work/bin"/*
hack="$work/bin/zirbel"
printf '%s\n' 'mode: one' 'selected: 0' 'lock: False' 'splash: False' 'fade: False' 'unfade: False' \
  'timeout: 1:00:00' 'cycle: 0:00:00' 'dpmsEnabled: False' 'captureStderr: True' \
  "programs: GL: $hack --root \\n\\" '' >"$work/home/.xscreensaver"
chown -R "$owner" "$work/home"
hack_pids() { pgrep -u "$owner" -f "^$hack --root"; }

as_user xscreensaver -no-splash -verbose >"$work/daemon.log" 2>&1 &
pids+=("$!")
wait_for 10 as_user xscreensaver-command -time >/dev/null 2>&1 || fail "the daemon did not answer within 10 seconds"
as_user xscreensaver-command -activate >/dev/null 2>&1 || fail "xscreensaver-command -activate failed"
pid=$(wait_for 10 hack_pids | head -1)
[ -n "$pid" ] || fail "the daemon did not start the hack"

wait_for 10 mirrored root || fail "no mirrored kaleidoscope on the screen (${line:-})"
alive "$pid" || fail "the hack ended while the saver was active"

as_user xscreensaver-command -deactivate >/dev/null 2>&1 || fail "xscreensaver-command -deactivate failed"
wait_for 10 ended "$pid" || fail "the hack is still running 10 seconds after the deactivation"
grep -iE 'zirbel: |crash|signal 11|core dumped' "$work/daemon.log" && fail "the hack reported a problem"
echo "PASS: xscreensaver"
