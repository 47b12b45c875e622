#!/usr/bin/env bash
# Makes res/donation_qr.bmp: a QR code of the donation payload from maker_info.h, 292x299, 24 bpp BMP.
# Needs qrencode and ImageMagick 6 (convert, identify). Output format: BITMAPINFOHEADER (40 bytes),
# no colour table, uncompressed, 3780 px/m both ways, rows bottom-up of 876 bytes.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:-$here/donation_qr.bmp}
width=292 height=299 margin=4
payload=$(sed -n 's/^#define VANTREL_DONATION_QR_PAYLOAD "\(.*\)"$/\1/p' "$here/maker_info.h")
[ -n "$payload" ] || { echo "no VANTREL_DONATION_QR_PAYLOAD in maker_info.h" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Largest whole module size that fits with the quiet zone, so every module stays sharp.
qrencode -l M -s 1 -m 0 -o "$tmp/unit.png" "$payload"
modules=$(identify -format '%w' "$tmp/unit.png")
scale=$(( (width < height ? width : height) / (modules + 2 * margin) ))
qrencode -l M -s "$scale" -m "$margin" -o "$tmp/qr.png" "$payload"

# ImageMagick truncates px/cm x 100 when it writes px/m, so ask for a hair over 37.8 to get 3780.
convert "$tmp/qr.png" -background white -gravity center -extent "${width}x${height}" \
  -type TrueColor -units PixelsPerCentimeter -density 37.805 BMP3:"$out"
identify "$out"
