#!/bin/sh
# Runs one Windows executable under Wine with the test run's own prefix and display.
# Usage: wine-run.sh STATE_DIR program.exe [arguments...]
state=$1
shift
export WINEPREFIX="$state/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/.tarnvale-ready" ] || "$(dirname "$0")/wine-setup.sh" "$state" >&2 || exit 1
if [ -f "$state/display" ]; then
    DISPLAY=$(cat "$state/display")
    export DISPLAY
fi
exec "${WINE64:-/usr/lib/wine/wine64}" "$@"
