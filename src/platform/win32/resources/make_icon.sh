#!/usr/bin/env bash
# Draws quillset.ico: a database cylinder with a quill across it. Drawn once at 128 x 128 and
# scaled down to each icon size, so the small sizes stay smooth. Needs ImageMagick 6 (convert).
set -euo pipefail
cd "$(dirname "$0")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

convert -size 128x128 xc:none \
  -stroke '#143f73' -strokewidth 3 \
  -fill '#1f5fa8' -draw 'rectangle 12,36 84,108' \
  -draw 'ellipse 48,108 36,14 0,180' \
  -stroke none -draw 'rectangle 14,36 82,106' \
  -stroke '#143f73' -strokewidth 3 -draw 'line 12,36 12,108' -draw 'line 84,36 84,108' \
  -fill none -stroke '#5b9bd8' -strokewidth 3 \
  -draw 'ellipse 48,60 36,14 10,170' -draw 'ellipse 48,84 36,14 10,170' \
  -fill '#7fb4e6' -stroke '#143f73' -strokewidth 3 -draw 'ellipse 48,36 36,14 0,360' \
  -fill '#f4f1e6' -stroke '#6b5a40' -strokewidth 2.5 \
  -draw "path 'M 74,104 C 54,62 88,20 124,4 C 120,46 106,84 86,110 Z'" \
  -fill none -stroke '#5a3a1a' -strokewidth 3 -draw 'line 70,120 121,8' \
  -fill '#262626' -stroke none -draw 'polygon 68,124 71,106 80,110' \
  "$work/master.png"

for size in 16 24 32 48; do
  convert "$work/master.png" -filter Lanczos -resize "${size}x${size}" "$work/icon$size.png"
done
convert "$work/icon16.png" "$work/icon24.png" "$work/icon32.png" "$work/icon48.png" quillset.ico
