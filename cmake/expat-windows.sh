#!/usr/bin/env bash
# Builds the XML library the UPnP side reads SOAP with for the Windows tree: Debian's source package of it (fetched
# by debian-source.sh), cross-compiled statically into a prefix. Pinned to the version whose source the archive
# still serves whole: the Debian part of later security updates of 2.5.0 is no longer fetchable.
# Usage: expat-windows.sh WORK_DIR PREFIX C_COMPILER
set -euo pipefail

work=$1 prefix=$2 cc=$3
version=2.5.0-1+deb12u2

if [ -f "$prefix/lib/libexpat.a" ] && [ -f "$prefix/include/expat.h" ] &&
    [ "$(cat "$prefix/settings" 2>/dev/null)" = "$version" ]; then
    exit 0
fi
mkdir -p "$work"
work=$(cd "$work" && pwd)

. "$(dirname "${BASH_SOURCE[0]}")/debian-source.sh"
fetch_debian_source "$work" "expat=$version"

echo "Building expat $version for Windows in $work/build"
rm -rf "$work/build"
mkdir -p "$work/build"
cd "$work/build"
# Debian's source is the project's own tree, with no configure made: its CMake build, cross-compiling. Without
# DTD support, which control requests never need (they are refused with a document type) and which Debian's
# patches test for in a way only its own build defines.
cmake -S "$source_dir/expat" -B . -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER="$cc" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
    -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF -DEXPAT_DTD=OFF \
    >"$work/configure.log" 2>&1 || { tail -n 40 "$work/configure.log" >&2; exit 1; }
cmake --build . -j 2 >"$work/make.log" 2>&1 || { tail -n 40 "$work/make.log" >&2; exit 1; }
cmake --install . >>"$work/make.log" 2>&1
printf '%s\n' "$version" >"$prefix/settings"
