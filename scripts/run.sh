#!/usr/bin/env bash
# Sets Tarnvale up and starts the headless server; arguments go to the server (try --help). With --windows first,
# starts the Windows program, TarnvaleServer.exe, under Wine instead.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$root/scripts/setup.sh"
if [ "${1:-}" = "--windows" ]; then
    # The Windows program under Wine, in a Wine prefix of its own (its C: drive holds the list file).
    shift
    if [ -z "${DISPLAY:-}" ]; then
        echo "run.sh --windows shows a window and needs a display: start it from a desktop session," >&2
        echo "or on a virtual one with: xvfb-run -a scripts/run.sh --windows" >&2
        exit 1
    fi
    export WINEPREFIX=${WINEPREFIX:-$build/wine-desktop} WINEDEBUG=${WINEDEBUG:--all}
    say "Starting $build/win/bin/TarnvaleServer.exe $* under Wine (prefix $WINEPREFIX)"
    exec "${WINE64:-/usr/lib/wine/wine64}" "$build/win/bin/TarnvaleServer.exe" "$@"
fi
server="$build/native/bin/tarnvale-server"
if [ ! -x "$server" ]; then
    say "Built so far:"
    ls "$build/native/bin" "$build/win/bin"
    exit 0
fi
# Without --list the server picks the list file itself, by the rule the catalogue tool follows too.
say "Starting $server $*"
exec "$server" "$@"
