#!/usr/bin/env bash
# Runs a fuzz target from its seed corpus for a while; fails on any finding,
# kept as $ZIRBEL_FUZZ_ARTIFACTS/crash-... (default: here).
#   run-fuzzer.sh FUZZER SEED_DIR [SECONDS [MEMORY_MB]]   (default 45 s, 2048 MB)
# MEMORY_MB bounds both the process's resident memory and any one allocation.
set -u
fuzzer=$1 seeds=$2 seconds=${3:-45} memory=${4:-2048}

# New inputs go to scratch space, in memory where possible.
base=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
work=$(mktemp -d "$base/zirbel-fuzz-XXXXXX")
trap 'rm -rf "$work"' EXIT
artifacts=${ZIRBEL_FUZZ_ARTIFACTS:-$PWD}
mkdir "$work/corpus" && mkdir -p "$artifacts"

export TMPDIR=$work
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}:allocator_may_return_null=1
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

"$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb="$memory" -malloc_limit_mb="$memory" -max_len=65536 -close_fd_mask=3 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" "$work/corpus" "$seeds" 2>"$work/log"
status=$?
grep -E 'INITED|DONE|ERROR|SUMMARY|stat::|Test unit written|==[0-9]+==' "$work/log" | head -60
if [ "$status" != 0 ]; then
  echo "FAIL: $(basename "$fuzzer") found a problem (exit code $status)"
  tail -80 "$work/log"
  exit 1
fi
echo "PASS: $(basename "$fuzzer"), $seconds s, corpus $(ls "$work/corpus" | wc -l) new inputs"
