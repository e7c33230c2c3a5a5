#!/bin/sh
# Runs one Windows executable under Wine with the screen at another DPI. Wine takes the DPI from the prefix's
# LogPixels when a program starts, so each DPI gets a prefix of its own inside the run's state, on the run's display,
# and the run's own prefix stays at 96 for every other test.
# Usage: wine-run-at-dpi.sh DPI STATE_DIR program.exe [arguments...]
set -eu
dpi=$1
state=$2
shift 2
own="$state/dpi$dpi"
mkdir -p "$own"
# The run's display, so that the windows of every DPI show on the one the tests take turns at.
[ -f "$state/display" ] && cp "$state/display" "$own/display"
here=$(dirname "$0")
"$here/wine-setup.sh" "$own" >&2
export WINEPREFIX="$own/prefix" WINEDEBUG=-all
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=dword:%08x\n' "$dpi" >"$own/dpi.reg"
"${WINE64:-/usr/lib/wine/wine64}" regedit /S "Z:$(printf '%s' "$own/dpi.reg" | tr / '\\')" </dev/null >/dev/null 2>&1
TARNVALE_EXPECTED_DPI=$dpi
export TARNVALE_EXPECTED_DPI
exec "$here/wine-run.sh" "$own" "$@"
