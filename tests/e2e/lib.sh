# Helpers shared by the end-to-end scripts; sourced, not run.

skip() { echo "SKIP: $*"; exit 77; }

# Polls for a window whose name is exactly $1; prints its id.
wait_window() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
window_gone() { ! xdotool search --name "^$1\$" >/dev/null 2>&1; }

# Waits up to $2 seconds for process $1 to end; sets `status`.
wait_exit() {
  local pid=$1 limit=$(( $2 * 10 ))
  for _ in $(seq "$limit"); do
    if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; status=$?; return 0; fi
    sleep 0.1
  done
  return 1
}
alive() { kill -0 "$1" 2>/dev/null; }

# A plain test window (arguments for the parent helper), kept until fd 3
# closes; sets `parent`. Uses the caller's `work`, `pids`, `parent_helper`
# and `fail`.
start_parent() {
  rm -f "$work/fifo" "$work/parent.txt"
  mkfifo "$work/fifo"
  "$parent_helper" "$@" <"$work/fifo" >"$work/parent.txt" &
  pids+=("$!")
  exec 3>"$work/fifo"
  for _ in $(seq 50); do [ -s "$work/parent.txt" ] && break; sleep 0.1; done
  parent=$(head -1 "$work/parent.txt")
  [ -n "$parent" ] || fail "the test parent window did not start"
}
