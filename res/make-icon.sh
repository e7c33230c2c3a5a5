#!/bin/sh
# Draws Tarnvale.ico (16, 24, 32, 48 and 256 pixels) with ImageMagick: a slate tile with a light play mark and
# two arcs for the stream going out. Run it after changing the drawing; the build uses the committed icon.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 256x256 xc:none \
    -fill '#2f4858' -draw 'roundrectangle 8,8 247,247 44,44' \
    -fill '#36566a' -draw 'roundrectangle 8,8 247,128 44,44' -draw 'rectangle 8,84 247,128' \
    -fill '#e8f1f2' -draw 'polygon 62,72 62,184 150,128' \
    -draw "fill-opacity 0 stroke-linecap round stroke #86bbd8 stroke-width 14 path 'M 164,96 A 44,44 0 0 1 164,160'" \
    -draw "fill-opacity 0 stroke-linecap round stroke #5d9cbf stroke-width 14 path 'M 186,72 A 76,76 0 0 1 186,184'" \
    "$tmp/tile.png"
for size in 256 48 32 24 16; do
    convert "$tmp/tile.png" -filter Lanczos -resize ${size}x${size} -depth 8 "$tmp/icon-$size.png"
done
convert -depth 8 "$tmp/icon-16.png" "$tmp/icon-24.png" "$tmp/icon-32.png" "$tmp/icon-48.png" "$tmp/icon-256.png" Tarnvale.ico
