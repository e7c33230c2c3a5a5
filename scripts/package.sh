#!/usr/bin/env bash
# Makes the packages a user downloads, from a fresh clone of this repository's current commit (so nothing
# uncommitted and nothing left in build/ gets in): the Windows zip (TarnvaleServer.exe with its skin, the console
# programs, the README), the Linux tarball (the programs, the skin, the README, the systemd units and their
# settings, to unpack at /) and the Debian package made from the same Linux build. All end up in build/packages/.
# `scripts/package.sh deb` makes only the Debian package, without the slow Windows build.
set -euo pipefail
source "$(dirname "$0")/common.sh"
case "${1:-all}" in
all | deb) what=${1:-all} ;;
*)
    echo "usage: $0 [deb]   (without an argument: the Windows zip, the Linux tarball and the Debian package)" >&2
    exit 2
    ;;
esac
if [ "$what" = all ]; then install_packages; else install_packages "${native_packages[@]}"; fi
work="$build/package"
rm -rf "$work"
say "Cloning $(git -C "$root" rev-parse --short HEAD) into $work/src"
git clone --quiet --no-hardlinks "$root" "$work/src"
git -C "$work/src" checkout --quiet "$(git -C "$root" rev-parse HEAD)"
# Dates inside the packages are the commit's, so that two builds of one commit are alike.
SOURCE_DATE_EPOCH=$(git -C "$work/src" log -1 --format=%ct)
export SOURCE_DATE_EPOCH

# release NAME [cmake options...]: a release build of the clone without tests or benchmarks.
release() {
    local name=$1
    shift
    say "Building the $name release"
    cmake -S "$work/src" -B "$work/$name" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNVALE_TESTS=OFF \
          -DTARNVALE_BENCH=OFF "$@" >/dev/null
    cmake --build "$work/$name"
}
cpack_package() { (cd "$work/$1" && cpack -B "$build/packages" >/dev/null); }

if [ "$what" = all ]; then
    release windows -DCMAKE_TOOLCHAIN_FILE="$work/src/cmake/mingw-w64-x86_64.cmake"
    cpack_package windows
fi
# Hardened as Debian builds its packages, and all the way, for a server open to the network: stack protector,
# fortified functions, relocations read-only and bound at start.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" release linux
if [ "$what" = all ]; then
    cpack_package linux
fi
say "Making the Debian package"
"$work/src/scripts/make-deb.sh" "$work/linux" "$build/packages" >/dev/null
rm -rf "$build/packages/_CPack_Packages"
say "Packages in $build/packages:"
ls -l "$build/packages"
