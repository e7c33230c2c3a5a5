#!/usr/bin/env bash
# Photographs the Windows program's main window and program dialog, each active and inactive, under Wine on a
# virtual display, as PNG files in build/screenshots/ (or the folder given as the first argument). Installs what it
# needs (ImageMagick's import takes the pictures) and builds the Windows tree first.
set -euo pipefail
source "$(dirname "$0")/common.sh"
packages+=(imagemagick)
install_packages
out=${1:-$build/screenshots}
mkdir -p "$out"
out=$(cd "$out" && pwd)
build_windows >/dev/null
cmake --build "$build/win" --target tarnvale-screenshots >/dev/null

# A Wine session of its own (prefix, display, wineserver), ended whatever happens.
state="$build/win/wine-screenshots"
"$root/cmake/wine-setup.sh" "$state" >/dev/null
trap '"$root/cmake/wine-teardown.sh" "$state"' EXIT
display=${DISPLAY:-$(cat "$state/display")}

coproc driver { "$root/cmake/wine-run.sh" "$state" "$build/win/bin/tarnvale-screenshots.exe" 2>&1; }
while IFS= read -r -t 120 line <&"${driver[0]}"; do
    line=${line%$'\r'}
    case $line in
    shot\ *)
        read -r _ name x y w h <<<"$line"
        import -display "$display" -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
        say "Wrote $out/$name.png"
        echo go >&"${driver[1]}"
        ;;
    done) break ;;
    esac
done
wait "${driver_PID:-}" 2>/dev/null || true
