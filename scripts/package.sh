#!/usr/bin/env bash
# Makes the packages a user downloads, from a fresh clone of this repository's current commit (so nothing
# uncommitted and nothing left in build/ gets in): the Windows zip (TarnvaleServer.exe with its skin, the console
# programs, the README) and the Linux tarball (the programs, the skin, the README and the systemd unit, to unpack
# at /). Both end up in build/packages/.
set -euo pipefail
source "$(dirname "$0")/common.sh"
install_packages
work="$build/package"
rm -rf "$work"
say "Cloning $(git -C "$root" rev-parse --short HEAD) into $work/src"
git clone --quiet --no-hardlinks "$root" "$work/src"
git -C "$work/src" checkout --quiet "$(git -C "$root" rev-parse HEAD)"

# package NAME [cmake options...]: a release build of the clone without tests or benchmarks, and its package.
package() {
    local name=$1
    shift
    say "Building the $name package"
    cmake -S "$work/src" -B "$work/$name" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNVALE_TESTS=OFF \
          -DTARNVALE_BENCH=OFF "$@" >/dev/null
    cmake --build "$work/$name"
    (cd "$work/$name" && cpack -B "$build/packages" >/dev/null)
}
package windows -DCMAKE_TOOLCHAIN_FILE="$work/src/cmake/mingw-w64-x86_64.cmake"
package linux
rm -rf "$build/packages/_CPack_Packages"
say "Packages in $build/packages:"
ls -l "$build/packages"
