#!/usr/bin/env bash
# Renders every picture in docs/ with zirbel-render (needs an X display and
# ImageMagick's convert).
# Usage: tools/render/render-docs.sh [path/to/zirbel-render]
# The small pictures are drawn at 960x540 and halved, so that their feedback
# levels are the 512-pixel squares of a large window (a window lower than 512
# pixels folds smaller squares).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
render=${1:-$root/build/linux/zirbel-render}
docs=$root/docs
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$render" --size 960x540 --seconds 20 --levels 3 --output "$docs/zirbel.png"

# The README's animation: four seconds at 12 frames a second, looping.
"$render" --size 960x540 --levels 3 --from 20 --seconds 24 --every 2 --animation-size 480x270 \
  --output "$docs/zirbel.webp"

# A kaleidoscope of a folder of generated photos (painted, never of anyone).
photos=${ZIRBEL_MAKE_PHOTOS:-$(dirname "$render")/zirbel-make-photos}
"$photos" "$tmp/photos" --count 24 --size 800x600 --png-every 5
"$render" --size 960x540 --seconds 20 --levels 2 --photos "$tmp/photos" --output "$tmp/photos.png"
convert "$tmp/photos.png" -resize 480x270 -strip "$docs/photos.png"

strip() {  # name, then zirbel-render options
  local name=$1
  shift
  "$render" --size 960x540 "$@" --output "$tmp/$name.png"
  convert "$tmp/$name.png" -resize 480x270 -strip "$docs/$name.png"
}
strip strip-t00 --seconds 0
strip strip-t05 --seconds 5
strip strip-t20 --seconds 20
strip strip-levels-3 --seconds 20 --levels 3
strip strip-levels-10 --seconds 20 --levels 10
strip strip-mirrors-off --seconds 20 --mirrors off

# Two monitors of different sizes side by side, a kaleidoscope on each.
"$render" --monitors 1280x720+0+0,1024x768+1280+0 --seconds 20 --levels 3 --output "$tmp/two-monitors.png"
convert "$tmp/two-monitors.png" -resize 1152x384 -strip "$docs/two-monitors.png"
