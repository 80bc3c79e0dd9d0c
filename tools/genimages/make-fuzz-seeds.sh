#!/usr/bin/env bash
# Writes the small seed corpora of the fuzz targets under tests/fuzz/corpus
# (committed; run again only to change the seeds). Needs ImageMagick.
set -euo pipefail
here=$(cd "$(dirname "$0")/../../tests/fuzz" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Command lines: the program path first, as the system passes it.
cl=$here/corpus/command_line
mkdir -p "$cl"
i=0
while IFS= read -r line; do
  printf '%b' "$line" >"$cl/seed-$i"
  i=$((i + 1))
done <<'EOF2'
zirbel.scr /s
"C:\\Program Files\\z i.scr" /p 1234
zirbel.scr /c:5678
zirbel.scr /c
zirbel.scr -a 99
zirbel.scr /l  ::  42
zirbel.scr /x
zirbel.scr
"unterminated /s
zirbel.scr\t/s
"q.scr"\t/s
zirbel.scr /p -2147483649
zirbel.scr /P +  7x
zirbel.scr /screensaver
EOF2

# JPEG streams: byte 0 picks the load; bytes 1 and 2 a masked load's colour length.
jl=$here/corpus/jpeg_loader
mkdir -p "$jl"
convert -size 16x16 gradient:white-black -colorspace Gray -quality 75 "$tmp/grey.jpg"
convert -size 24x16 gradient:red-blue -quality 75 "$tmp/rgb.jpg"
convert -size 24x16 gradient:green-yellow -interlace JPEG -quality 60 "$tmp/progressive.jpg"
convert -seed 7 -size 32x16 plasma:fractal -define jpeg:restart-interval=1 -quality 50 "$tmp/restart.jpg" 2>/dev/null ||
  convert -size 32x16 gradient:blue-orange -define jpeg:restart-interval=1 -quality 50 "$tmp/restart.jpg"
convert -size 16x16 gradient:orange-navy -set comment 'zirbel seed' -sampling-factor 2x2 -quality 90 "$tmp/comment.jpg"
convert -size 16x16 gradient:red-blue -colorspace CMYK -quality 75 "$tmp/cmyk.jpg"
for n in 8 16; do convert -size ${n}x$n gradient:white-black -colorspace Gray -quality 75 "$tmp/grey$n.jpg"; done
single() { { printf '\x00'; cat "$1"; } >"$jl/$2"; }
masked() {
  local n
  n=$(stat -c %s "$1")
  { printf '\x01'; printf "\\x$(printf %02x $((n & 255)))\\x$(printf %02x $((n >> 8)))"; cat "$1" "$2"; } >"$jl/$3"
}
for name in grey rgb progressive restart comment cmyk; do single "$tmp/$name.jpg" "single-$name"; done
masked "$tmp/rgb.jpg" "$tmp/grey16.jpg" masked-same-height
masked "$tmp/comment.jpg" "$tmp/grey16.jpg" masked-same-size
masked "$tmp/comment.jpg" "$tmp/grey8.jpg" masked-smaller
masked "$tmp/cmyk.jpg" "$tmp/grey16.jpg" masked-cmyk

# Photo files: JPEG with Exif orientations, PNG of several kinds, and what a
# photo folder may hold besides (cut off, text, huge headers). The broken ones
# go to the JPEG loader too. Needs zirbel-make-photos (built with the project).
pt=$here/corpus/photo_tile
mkdir -p "$pt"
"${ZIRBEL_MAKE_PHOTOS:-$here/../../build/linux/zirbel-make-photos}" "$tmp/photos" --count 4 --size 40x24 --png-every 2 --broken
for f in "$tmp/photos"/*.jpg "$tmp/photos"/*.png; do
  [ -f "$f" ] && [ ! -L "$f" ] && cp "$f" "$pt/"
done
convert -size 20x12 gradient:red-blue -interlace PNG "$pt/interlaced.png"
convert -size 20x12 gradient:white-black -colorspace Gray -alpha on -depth 16 "$pt/grey-alpha-16.png"
convert -size 20x12 gradient:red-blue -colors 8 "PNG8:$pt/palette.png"
for name in cut-off notes huge-header; do single "$tmp/photos/$name.jpg" "single-photo-$name"; done

# HEIF, AVIF and WebP photos: still, with alpha, 10-bit, a thumbnail, an
# animation.
for kind in heif webp; do mkdir -p "$here/corpus/photo_$kind"; done
convert -size 24x16 gradient:red-blue "$tmp/small.png"
convert -size 24x16 gradient:red-blue -alpha on -channel A -evaluate set 50% "$tmp/alpha.png"
convert -size 24x16 gradient:green-blue -depth 16 "$tmp/deep.png"
convert -size 24x16 gradient:green-red -quality 90 "$tmp/small.jpg"
heif-enc -q 30 "$tmp/small.png" -o "$here/corpus/photo_heif/small.heic"
heif-enc -q 30 "$tmp/alpha.png" -o "$here/corpus/photo_heif/alpha.heic"
heif-enc -q 30 -b 10 "$tmp/deep.png" -o "$here/corpus/photo_heif/deep.heic"
heif-enc -q 30 -t 8 "$tmp/small.jpg" -o "$here/corpus/photo_heif/thumbnail.heic"
heif-enc -A -q 30 "$tmp/small.png" -o "$here/corpus/photo_heif/small.avif"
cwebp -quiet -q 30 "$tmp/small.png" -o "$here/corpus/photo_webp/small.webp"
cwebp -quiet -lossless "$tmp/alpha.png" -o "$here/corpus/photo_webp/alpha.webp"
img2webp -lossy "$tmp/small.png" "$tmp/alpha.png" -o "$here/corpus/photo_webp/animation.webp" >/dev/null

# Settings files.
sf=$here/corpus/settings_file
mkdir -p "$sf"
printf '[Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers]\nPassword Delay=30\nMouse Threshold=10\n\n[Software\\Pomwick\\Vostrand]\nUseMirrors=0\n' >"$sf/all-values"
printf '# a comment\n[Software\\Pomwick\\Vostrand]\nUseMirrors= 7 \nOther=kept\n[Other]\nx[de]=y\n' >"$sf/comments-and-others"
printf '[Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers]\nMouse Threshold=ten\nPassword Delay=-2147483648\n' >"$sf/bad-number"
printf 'no group here\n' >"$sf/unparsable"
printf '' >"$sf/empty"
echo "seeds written under $here/corpus"
