#!/usr/bin/env bash
# End-to-end test with a real screen-saver daemon: xscreensaver runs
# "zirbel --root" as its only hack; activating it must put a mirrored
# kaleidoscope on the screen, deactivating it must end the hack.
#   xscreensaver.sh ZIRBEL SYMMETRY_PROBE
# Exit 0 pass, 1 fail, 77 skip (no display).
#
# The daemon refuses to launch hacks as root, so when run as root the test
# uses the unprivileged system user zirbel-test (created once) and runs the
# daemon and xscreensaver-command as that user; the hack is copied to a
# directory the user can read.
set -u
zirbel=$1
symmetry_probe=$2
user=zirbel-test

skip() { echo "SKIP: $*"; exit 77; }
[ -n "${DISPLAY:-}" ] || skip "no DISPLAY"
command -v xdpyinfo >/dev/null && xdpyinfo >/dev/null 2>&1 || skip "cannot open display ${DISPLAY}"
for tool in xscreensaver xscreensaver-command import; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (tools/setup-debian.sh installs it)"; exit 1; }
done

work=$(mktemp -d /tmp/zirbel-xss-XXXXXX)
chmod 755 "$work"
daemon=
cleanup() {
  as_user xscreensaver-command -exit >/dev/null 2>&1
  [ -n "$daemon" ] && kill "$daemon" 2>/dev/null
  # Whatever the daemon left behind: the hack, or a helper of the daemon.
  for p in $(hack_pids) $(daemon_children); do kill -9 "$p" 2>/dev/null; done
  rm -rf "$work"
}
fail() {
  echo "FAIL: $*"
  echo "daemon log:"; tail -n 30 "$work/daemon.log" 2>/dev/null
  cleanup
  exit 1
}
trap cleanup EXIT

if [ "$(id -u)" = 0 ]; then
  if ! id "$user" >/dev/null 2>&1; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" ||
      fail "cannot create the user $user"
  fi
  as_user() { runuser -u "$user" -- env HOME="$work/home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin "$@"; }
  owner=$user
else
  as_user() { env HOME="$work/home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin "$@"; }
  owner=$(id -un)
fi

# The hack and its helper program, readable by the user.
mkdir -p "$work/bin" "$work/home"
cp "$zirbel" "$work/bin/zirbel"
[ -x "$(dirname "$zirbel")/zirbel-config" ] && cp "$(dirname "$zirbel")/zirbel-config" "$work/bin/"
chmod 755 "$work/bin" "$work/bin"/*
hack="$work/bin/zirbel"
cat >"$work/home/.xscreensaver" <<EOF2
mode: one
selected: 0
lock: False
splash: False
fade: False
unfade: False
timeout: 1:00:00
cycle: 0:00:00
dpmsEnabled: False
captureStderr: True
programs: \\
  GL: $hack --root \\n\\

EOF2
chown -R "$owner" "$work/home"

hack_pids() { pgrep -u "$owner" -f "^$hack --root" 2>/dev/null; }
daemon_children() { [ -n "$daemon" ] && pgrep -P "$daemon" 2>/dev/null; }

as_user xscreensaver -no-splash -verbose >"$work/daemon.log" 2>&1 &
daemon=$!
ready=
for _ in $(seq 100); do
  as_user xscreensaver-command -time >/dev/null 2>&1 && { ready=1; break; }
  kill -0 "$daemon" 2>/dev/null || fail "the daemon ended"
  sleep 0.1
done
[ -n "$ready" ] || fail "the daemon did not answer within 10 seconds"

as_user xscreensaver-command -activate >/dev/null 2>&1 || fail "xscreensaver-command -activate failed"
pid=
for _ in $(seq 100); do
  pid=$(hack_pids | head -1)
  [ -n "$pid" ] && break
  sleep 0.1
done
[ -n "$pid" ] || fail "the daemon did not start the hack"

shown=
for _ in $(seq 20); do
  sleep 0.5
  import -window root -depth 8 "ppm:$work/shot.ppm" 2>/dev/null || continue
  line=$("$symmetry_probe" "$work/shot.ppm") || fail "the probe failed"
  lit=$(sed -n 's/.*lit=\([0-9.]*\).*/\1/p' <<<"$line")
  asym=$(sed -n 's/.*asym=\([0-9.]*\).*/\1/p' <<<"$line")
  echo "probe: $line"
  if awk -v l="$lit" -v a="$asym" 'BEGIN{exit !(l > 0.15 && a < 0.1)}'; then shown=1; break; fi
done
[ -n "$shown" ] || fail "no mirrored kaleidoscope on the screen (lit $lit, asym $asym)"
kill -0 "$pid" 2>/dev/null || fail "the hack ended while the saver was active"

as_user xscreensaver-command -deactivate >/dev/null 2>&1 || fail "xscreensaver-command -deactivate failed"
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the hack is still running 10 seconds after the deactivation"
grep -iE 'zirbel: |crash|signal 11|core dumped' "$work/daemon.log" && fail "the hack reported a problem"
echo "PASS: xscreensaver"
exit 0
