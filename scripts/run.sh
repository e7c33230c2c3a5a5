#!/usr/bin/env bash
# Sets up what the chosen program needs and starts it: the headless server, with the Linux packages and build only
# (arguments go to the server; try --help). With --windows first, the Windows program, TarnvaleServer.exe, under
# Wine instead, with the cross compiler, Wine and the Windows build.
set -euo pipefail
source "$(dirname "$0")/common.sh"

# build_or_fail TREE: builds the tree, or says plainly that it could not and stops.
build_or_fail() {
    if ! "build_$1"; then
        echo "run.sh: the $1 build failed (its errors are above), so there is nothing to start." >&2
        echo "Fix what it names, or run scripts/setup.sh for a full set-up, then run scripts/run.sh again." >&2
        exit 1
    fi
}

if [ "${1:-}" = "--windows" ]; then
    # The Windows program under Wine, in a Wine prefix of its own (its C: drive holds the list file).
    shift
    if [ -z "${DISPLAY:-}" ]; then
        echo "run.sh --windows shows a window and needs a display: start it from a desktop session," >&2
        echo "or on a virtual one with: xvfb-run -a scripts/run.sh --windows" >&2
        exit 1
    fi
    install_packages "${native_packages[@]}" "${windows_packages[@]}"
    build_or_fail windows
    program="$build/win/bin/TarnvaleServer.exe"
    if [ ! -f "$program" ]; then
        echo "run.sh: the Windows build finished without $program; run scripts/setup.sh and try again." >&2
        exit 1
    fi
    export WINEPREFIX=${WINEPREFIX:-$build/wine-desktop} WINEDEBUG=${WINEDEBUG:--all}
    say "Starting $program $* under Wine (prefix $WINEPREFIX)"
    exec "${WINE64:-/usr/lib/wine/wine64}" "$program" "$@"
fi

install_packages "${native_packages[@]}"
build_or_fail native
ln -sfn native/bin "$build/bin"
server="$build/native/bin/tarnvale-server"
if [ ! -x "$server" ]; then
    echo "run.sh: the Linux build finished without $server; run scripts/setup.sh and try again." >&2
    exit 1
fi
# Without --list the server picks the list file itself, by the rule the catalogue tool follows too.
say "Starting $server $*"
exec "$server" "$@"
