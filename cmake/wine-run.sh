#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine with the project's private prefix, a CJK font
# mapped over the dialog fonts, and a display (a private Xvfb when none is set).
#   VANTREL_WINEPREFIX  prefix to use (default: <source>/build/wineprefix)
#   VANTREL_WINE_KEEP_LOCALE=1  keep LANG (default: C.UTF-8, a non-Chinese locale whose ANSI code
#                               page is not 936, which every text of the program must survive)
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${VANTREL_WINEPREFIX:-$(dirname "$here")/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ "${VANTREL_WINE_KEEP_LOCALE:-0}" != 1 ]; then export LANG=C.UTF-8 LC_ALL=; fi
wine=$(command -v wine64 || command -v wine)

mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ -z "${DISPLAY:-}" ]; then
  # One Xvfb per prefix, started once and reused by every test of the run.
  disp=$(( 90 + $(printf '%s' "$WINEPREFIX" | cksum | cut -d' ' -f1) % 400 ))
  if ! [ -e "/tmp/.X11-unix/X$disp" ]; then
    setsid Xvfb ":$disp" -screen 0 1280x800x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$disp" ] && break; sleep 0.05; done
  fi
  export DISPLAY=":$disp"
fi
if [ ! -f "$WINEPREFIX/.vantrel-ready" ]; then
  # A prefix left half-made by an interrupted run is made again from scratch.
  [ -d "$WINEPREFIX" ] && ! [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] && rm -rf "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1
  reg=$(mktemp --suffix=.reg)
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n' >"$reg"
  for f in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "SimSun" "Microsoft YaHei" "Segoe UI"; do
    printf '"%s"="WenQuanYi Micro Hei"\r\n' "$f" >>"$reg"
  done
  # Without a window manager, Wine-drawn frames spare the 2 s wait for one when a window closes.
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n' >>"$reg"
  "$wine" regedit "$reg" >/dev/null 2>&1
  rm -f "$reg"
  "$(dirname "$wine")/wineserver" -w 2>/dev/null || wineserver -w
  [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] && touch "$WINEPREFIX/.vantrel-ready"
fi
flock -u 9
exec "$wine" "$@"
