#!/usr/bin/env bash
# The photo folder's costs on this machine (needs an X display and the Linux
# build): the photo benchmarks (decode, walk, first atlas, stop), then the
# saver itself in a 1280x720 window with no folder and with a folder of 3000
# photos (1024x768, with one 48-megapixel photo among them): the time to the
# first frame, to the first frame showing the photos, and the peak memory.
# Then the stop: SIGTERM to exit while the photos load and while the first
# photo is held by another program (a write lease); and the memory of a walk
# through 99,000 files of long names in deep folders.
#   bench/photos.sh [BUILD_DIR]      (default build/linux)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/linux}
source "$root/tests/e2e/lib.sh"
need_display xdotool import
begin_test
# ZIRBEL_BENCH_PHOTOS names a folder made by an earlier run, to keep.
folder=${ZIRBEL_BENCH_PHOTOS:-$work/photos}
if [ ! -d "$folder/large" ]; then
  echo "making 3000 photos in $folder ..."
  "$build/zirbel-make-photos" "$folder" --count 3000 --size 1024x768 --colours ff00ff,00ff00
  "$build/zirbel-make-photos" "$folder/large" --count 1 --size 8000x6000 --seed 3
fi
ZIRBEL_BENCH_PHOTOS=$folder "$build/bench/bench_photos"

parent_helper=$build/tests/e2e/zirbel_test_parent symmetry_probe=$build/tests/e2e/zirbel_test_symmetry
probe_colours=ff00ff,00ff00
photos_shown() { probe "$parent" >/dev/null && awk -v s="$share" 'BEGIN{exit !(s > 0.7)}'; }
swaps() { echo $(($(stat -c %s "$work/swaps" 2>/dev/null || echo 0) / 8)); }
first_swap_ms() {  # from the start stamp to the first swap, in ms
  od -An -t u8 -N 8 "$work/swaps" | awk -v s="$1" '{printf "%.0f", ($1 - s) / 1e6}'
}
start_parent 1280 720
for run in without with; do
  args=(--window-id "$parent")
  [ "$run" = with ] && args+=(--photos "$folder")
  rm -f "$work/swaps"
  mono_start=$(python3 -c 'import time; print(time.clock_gettime_ns(time.CLOCK_MONOTONIC))')
  LD_PRELOAD=$build/bench/libzirbel_swap_probe.so ZIRBEL_SWAP_LOG=$work/swaps "$build/zirbel" "${args[@]}" 2>/dev/null &
  saver=$!
  wait_for 10 test -s "$work/swaps" || fail "no frame within 10 s"
  first=$(first_swap_ms "$mono_start")
  shown=-
  if [ "$run" = with ]; then
    wait_for 60 photos_shown || fail "the photos did not show within 60 s"
    shown=$(( ($(python3 -c 'import time; print(time.clock_gettime_ns(time.CLOCK_MONOTONIC))') - mono_start) / 1000000 ))
  fi
  sleep 3
  peak=$(awk '/VmHWM/ {print int($2 / 1024)}' "/proc/$saver/status")
  kill -TERM "$saver"
  wait "$saver" || true
  echo "$run photos: first frame ${first} ms, photos showing by ${shown} ms (screenshot polling)," \
       "peak memory ${peak} MiB, $(swaps) frames"
done

# SIGTERM to exit, in ms: while the photos load, and with the first photo
# held by another program (every open of it waits up to 45 s).
now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
held=$work/held
mkdir -p "$held"
cp "$folder"/*.jpg "$held/"
cp "$held/$(ls "$held" | head -1)" "$held/0-held.jpg"
"$build/tests/e2e/zirbel_test_lease" "$held/0-held.jpg" >"$work/lease.txt" 2>&1 &
pids+=("$!")
wait_for 5 grep -q ready "$work/lease.txt" || echo "no write lease here: the held case is not held"
for case in "$folder" "$held"; do
  "$build/zirbel" --window-id "$parent" --photos "$case" 2>/dev/null &
  saver=$!
  sleep 1.5
  start=$(now_ms)
  kill -TERM "$saver"
  code=0
  wait "$saver" || code=$?
  echo "SIGTERM to exit, photos of ${case##*/} loading: $(($(now_ms) - start)) ms, exit code $code"
done

# The walk's memory: 99 folders of 1000 files, names of 200 to 240
# characters, 8 folders deep (paths of about 2 KB).
python3 - "$work/tree" <<'EOF'
import os, sys
deep = sys.argv[1]
for i in range(8):
    deep = os.path.join(deep, "d%d-" % i + "x" * 200)
for f in range(99):
    d = os.path.join(deep, "f%02d-" % f + "y" * 200)
    os.makedirs(d)
    for n in range(1000):
        open(os.path.join(d, "%04d-" % n + "z" * 240 + ".jpg"), "w").close()
EOF
for case in none tree; do
  "$build/zirbel" --window-id "$parent" --photos "$work/$case" 2>"$work/walk.txt" &
  saver=$!
  wait_for 60 grep -qs "showing the built-in pictures" "$work/walk.txt" || fail "the walk did not end within 60 s"
  peak=$(awk '/VmHWM/ {print int($2 / 1024)}' "/proc/$saver/status")
  kill -TERM "$saver"
  wait "$saver" || true
  echo "walk of ${case/tree/99,000 files of long names}: peak memory ${peak} MiB"
done
