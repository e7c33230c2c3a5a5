#!/usr/bin/env bash
# Photographs the server's catalogue page as headless Chromium renders it, in a wide and a phone-sized window, and
# the Windows program's main window and program dialog, each active and inactive, under Wine on a virtual display at
# 96 DPI and again at 144 and 192 DPI (names ending in -144dpi and -192dpi), as PNG files in build/screenshots/ (or the folder given as the first argument). Installs what it needs
# (ImageMagick's import takes the Wine pictures) and builds the native and Windows trees first.
set -euo pipefail
source "$(dirname "$0")/common.sh"
packages+=(imagemagick)
install_packages
out=${1:-$build/screenshots}
mkdir -p "$out"
out=$(cd "$out" && pwd)

# The page of a server on loopback whose catalogue is the test media, with its MP3 player loaded.
photograph_catalogue_page() {
    build_native >/dev/null
    local work server_pid port=""
    work=$(mktemp -d)
    "$build/native/bin/tarnvale" --list "$work/Tarnvale.lst" search "$root/tests/data/media" >/dev/null
    "$build/native/bin/tarnvale-server" --list "$work/Tarnvale.lst" --port 0 --http 0 >"$work/out" 2>&1 &
    server_pid=$!
    for _ in $(seq 100); do
        port=$(sed -n 's/^HTTP on port \([0-9]*\):.*/\1/p' "$work/out")
        [ -n "$port" ] && break
        sleep 0.1
    done
    if [ -n "$port" ]; then
        local size name
        for size in wide:1280,800 phone:390,844; do
            name=catalogue-page-${size%%:*}
            chromium --headless --no-sandbox --disable-gpu --no-first-run --mute-audio --hide-scrollbars \
                --user-data-dir="$work/profile" --window-size="${size#*:}" --virtual-time-budget=5000 \
                --screenshot="$out/$name.png" "http://127.0.0.1:$port/" >/dev/null 2>&1
            say "Wrote $out/$name.png"
        done
    else
        echo "tarnvale-server did not start its HTTP side:" >&2
        cat "$work/out" >&2
    fi
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    rm -rf "$work"
    [ -n "$port" ]
}
photograph_catalogue_page
build_windows >/dev/null
cmake --build "$build/win" --target tarnvale-screenshots >/dev/null

# A Wine session of its own (prefix, display, wineserver), ended whatever happens.
state="$build/win/wine-screenshots"
# Wide enough for the main window and the program dialog side by side at 192 DPI.
TARNVALE_SCREEN=1920x1200 "$root/cmake/wine-setup.sh" "$state" >/dev/null
trap '"$root/cmake/wine-teardown.sh" "$state"' EXIT
display=${DISPLAY:-$(cat "$state/display")}

# photograph_windows DPI SUFFIX: poses the program on a screen of that DPI and names the pictures NAME+SUFFIX.
photograph_windows() {
    local dpi=$1 suffix=$2 run=("$root/cmake/wine-run.sh" "$state")
    [ "$dpi" = 96 ] || run=("$root/cmake/wine-run-at-dpi.sh" "$dpi" "$state")
    coproc driver { "${run[@]}" "$build/win/bin/tarnvale-screenshots.exe" 2>&1; }
    while IFS= read -r -t 120 line <&"${driver[0]}"; do
        line=${line%$'\r'}
        case $line in
        shot\ *)
            read -r _ name x y w h <<<"$line"
            import -display "$display" -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name$suffix.png"
            say "Wrote $out/$name$suffix.png"
            echo go >&"${driver[1]}"
            ;;
        done) break ;;
        esac
    done
    wait "${driver_PID:-}" 2>/dev/null || true
}
photograph_windows 96 ""
photograph_windows 144 -144dpi
photograph_windows 192 -192dpi
