#!/usr/bin/env bash
# Turns the BMP screenshots that the Wine tests save into PNG files beside them.
set -u
dir=${1:-build/windows/screenshots}
[ -d "$dir" ] || exit 0
# ImageMagick's own convert, not another program of that name earlier on the PATH.
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert
for bmp in "$dir"/*.bmp; do
  [ -e "$bmp" ] || continue
  "$convert" "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
ls "$dir"/*.png 2>/dev/null | sed 's/^/screenshot: /'
exit 0
