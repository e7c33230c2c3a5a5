#!/bin/sh
# Ends what wine-setup.sh started: the persistent wineserver and, if it was ours, Xvfb.
# Usage: wine-teardown.sh STATE_DIR
state=$1
export WINEPREFIX="$state/prefix"
[ -d "$WINEPREFIX" ] && "${WINESERVER:-/usr/lib/wine/wineserver}" -k 2>/dev/null
# And those of the prefixes kept for other DPIs (wine-run-at-dpi.sh).
for prefix in "$state"/dpi*/prefix; do
    [ -d "$prefix" ] && WINEPREFIX=$prefix "${WINESERVER:-/usr/lib/wine/wineserver}" -k 2>/dev/null
done
if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null
    rm -f "$state/xvfb.pid" "$state/display"
fi
exit 0
