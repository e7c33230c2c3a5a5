#!/bin/sh
# Prepares Wine for a test run: a prefix of the run's own, windows that paint their own frame, a display
# (Xvfb, started here when there is none) and one persistent wineserver for the whole run.
# Usage: wine-setup.sh STATE_DIR   (TARNVALE_SCREEN=WIDTHxHEIGHT sizes the Xvfb screen; 1280x1024 by default)
set -eu
state=$1
mkdir -p "$state"
export WINEPREFIX="$state/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=${WINE64:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}

if [ -z "${DISPLAY:-}" ] && [ ! -f "$state/display" ]; then
    # Xvfb takes a free display itself and names it on descriptor 3, so runs that start at the same moment (other
    # trees, other worktrees) never end up sharing one display and tearing it down under each other.
    rm -f "$state/displayfd"
    Xvfb -displayfd 3 -screen 0 "${TARNVALE_SCREEN:-1280x1024}x24" -nolisten tcp 3>"$state/displayfd" </dev/null >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    tries=0
    until grep -q '^[0-9][0-9]*$' "$state/displayfd" 2>/dev/null; do
        tries=$((tries + 1))
        if [ $tries -gt 200 ] || ! kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
            echo "wine-setup: Xvfb did not come up; see $state/xvfb.log" >&2
            exit 1
        fi
        sleep 0.05
    done
    echo ":$(cat "$state/displayfd")" >"$state/display"
fi
if [ -f "$state/display" ]; then
    DISPLAY=$(cat "$state/display")
    export DISPLAY
fi

# Wine sees the host's root as drive Z:.
winepath_of() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

mkdir -p "$WINEPREFIX"
# A wineserver left by an interrupted run is taken over as it is.
"$wineserver" -p </dev/null >/dev/null 2>&1 || true
if [ ! -f "$WINEPREFIX/.tarnvale-ready" ]; then
    echo "wine-setup: creating the Wine prefix in $WINEPREFIX (takes a few seconds)" >&2
    "$wine" wineboot -i >"$state/wineboot.log" 2>&1
    touch "$WINEPREFIX/.tarnvale-ready"
fi
# The settings are applied on every run, so a prefix made by an older script gets them too. Windows paint their own
# frame; and with no window manager on the test display, unmanaged windows spare every hidden window a two-second
# wait for a window manager that never answers. Importing also starts Wine's own services here, their output going
# nowhere: started by the first test instead, they would keep that test's output pipe open for the rest of the run,
# and ctest would wait on it until the test timed out.
cat >"$state/settings.reg" <<'EOT'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"
"Managed"="N"
EOT
"$wine" regedit /S "$(winepath_of "$state/settings.reg")" </dev/null >>"$state/wineboot.log" 2>&1
echo "wine-setup: ready (DISPLAY=${DISPLAY:-none})"
