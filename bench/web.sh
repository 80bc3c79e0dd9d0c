#!/usr/bin/env bash
# What the web page costs, against the native saver at the same size:
# the bytes of the site (all of it is kept for offline visits; the budget is
# 3 MB), when its first frame is drawn in headless Chromium (first visit, and
# offline from the kept copy), and frames per second and CPU per frame at
# 1280 x 720 (Chromium
# with SwiftShader; the native saver on Xvfb and on Xorg's dummy driver, both
# with llvmpipe).
#   bench/web.sh [SECONDS] [WARM_UP_SECONDS]     (defaults 10 and 15)
# Needs the web preset built (build/web/site), the linux preset's zirbel and
# zirbel_swap_probe, and tools/setup-debian.sh's browser driver; run as root.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
site=$root/build/web/site
driver=${ZIRBEL_DEPS_DIR:-$root/build/_deps}/web-driver
seconds=${1:-10} warm_up=${2:-15}
[ -f "$site/index.html" ] || { echo "web: build the web preset first" >&2; exit 1; }

echo "the site (all of it is kept for offline visits):"
total=0
files=$(cd "$site" && ls)
for file in $files; do
  size=$(stat -c %s "$site/$file")
  total=$((total + size))
  printf '  %-20s %9d bytes\n' "$file" "$size"
done
printf '  %-20s %9d bytes (%s gzip-compressed; budget 3145728)\n' total "$total" \
  "$(cd "$site" && cat $files | gzip -9 | wc -c)"

echo "web page, headless Chromium, 1280x720:"
node "$root/bench/web-page.mjs" "$site" "$driver" "$seconds" "$warm_up" | sed 's/^/  /'
for server in Xvfb "Xorg dummy driver"; do
  echo "native saver, $server, 1280x720:"
  xvfb=; [ "$server" = Xvfb ] && xvfb=1
  ZIRBEL_CPU_XVFB=$xvfb ZIRBEL_CPU_LAYOUT=1280x720 "$root/bench/monitors-cpu.sh" "$root/build/linux" "$seconds" "$warm_up" |
    sed 's/^/  /'
done
