#!/usr/bin/env bash
# Draws the program icon (a phone with a "flash" arrow) into res/vantrelTool.ico: one 128x128 image, 32 bpp.
# Needs ImageMagick 6 (convert). Drawn at 4x and scaled down for smooth edges.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:-$here/vantrelTool.ico}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# 512x512 canvas; every coordinate below is 4x the final pixel position.
convert -size 512x512 xc:none \
  -fill '#00000040' -draw 'roundrectangle 132,36 404,500 52,52' \
  -blur 0x10 \
  -fill '#22324f' -draw 'roundrectangle 120,20 392,488 48,48' \
  -fill '#3b5079' -draw 'roundrectangle 132,32 380,476 40,40' \
  -fill '#e9f2ff' -draw 'rectangle 148,80 364,408' \
  -fill '#8ea3c4' -draw 'roundrectangle 224,50 288,60 5,5' \
  -fill '#8ea3c4' -draw 'circle 256,442 256,458' \
  -fill '#1f9d55' -draw 'rectangle 226,112 286,250' \
  -fill '#1f9d55' -draw 'polygon 176,238 336,238 256,330' \
  -fill '#f29b1d' -draw 'roundrectangle 184,350 328,376 8,8' \
  "$tmp/big.png"

convert "$tmp/big.png" -filter Lanczos -resize 128x128 -type TrueColorAlpha \
  -define icon:auto-resize=128 "$out"
identify "$out"
