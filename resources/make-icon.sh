#!/usr/bin/env bash
# Draws the application icon (icon 128): a blue resource box with a picture on its front,
# at 48, 32, 24 and 16 pixels, 32 bits per pixel with alpha. The generated SorvRes.ico is
# committed, so building does not need ImageMagick; run this only to change the picture.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 256x256 xc:none \
  -fill '#1f4e87' -draw 'polygon 28,72 128,24 228,72 128,120' \
  -fill '#2c64a8' -draw 'polygon 28,72 128,120 128,236 28,188' \
  -fill '#3f82cf' -draw 'polygon 128,120 228,72 228,188 128,236' \
  -fill white -draw 'polygon 146,126 212,96 212,170 146,200' \
  -fill '#f6c342' -draw 'circle 190,118 198,118' \
  -fill '#3f8f4f' -draw 'polygon 146,200 170,150 184,172 196,154 212,170 212,176 146,206' \
  -stroke '#0f2a4d' -strokewidth 6 -fill none \
  -draw 'polygon 28,72 128,24 228,72 228,188 128,236 28,188' \
  "$tmp/icon-256.png"
for s in 48 32 24 16; do
  convert "$tmp/icon-256.png" -resize ${s}x${s} -define bmp:format=bmp3 PNG32:"$tmp/icon-$s.png"
done
# BMP-style (not PNG-compressed) entries, 32 bits each.
convert "$tmp/icon-48.png" "$tmp/icon-32.png" "$tmp/icon-24.png" "$tmp/icon-16.png" \
  -define icon:format=bmp "$here/SorvRes.ico"
identify "$here/SorvRes.ico"
