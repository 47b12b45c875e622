#!/usr/bin/env bash
# Ends the Wine server and the private Xvfb that the Wine wrapper left running for reuse.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${VANTREL_WINEPREFIX:-$here/build/wineprefix}
[ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null
disp=$(( 90 + $(printf '%s' "$WINEPREFIX" | cksum | cut -d' ' -f1) % 400 ))
pkill -f "^Xvfb :$disp " 2>/dev/null
exit 0
