#!/usr/bin/env bash
# The photo folder's costs on this machine (needs an X display and the Linux
# build): the photo benchmarks (decode, walk, first atlas, stop), then the
# saver itself in a 1280x720 window with no folder and with a folder of 3000
# photos (1024x768, with one 48-megapixel photo among them): the time to the
# first frame, to the first frame showing the photos, and the peak memory.
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
