#!/usr/bin/env bash
# Builds the HTTP library for the Windows tree: Debian's source package of it (fetched by debian-source.sh),
# cross-compiled statically without TLS into a prefix.
# Usage: microhttpd-windows.sh WORK_DIR PREFIX C_COMPILER
set -euo pipefail

work=$1 prefix=$2 cc=$3
host=x86_64-w64-mingw32
package=libmicrohttpd

# Without sendfile on Windows the library reads a file into a buffer and sends that: reads of 256 KiB instead of
# its 16 KiB take a sixteenth of the system calls per file, which Wine and Windows alike charge dearly for.
cppflags="-DMHD_FILE_READ_BLOCK_SIZE=262144"
# Built once; again only when the settings above have changed.
if [ -f "$prefix/lib/libmicrohttpd.a" ] && [ -f "$prefix/include/microhttpd.h" ] &&
    [ "$(cat "$prefix/settings" 2>/dev/null)" = "$cppflags" ]; then
    exit 0
fi
mkdir -p "$work"
work=$(cd "$work" && pwd)

. "$(dirname "${BASH_SOURCE[0]}")/debian-source.sh"
fetch_debian_source "$work" "$package"

echo "Building $package for Windows in $work/build"
rm -rf "$work/build"
mkdir -p "$work/build"
cd "$work/build"
"$source_dir/configure" --host="$host" --prefix="$prefix" CC="$cc" --enable-static --disable-shared \
    --disable-https --without-gnutls --disable-curl --disable-doc --disable-examples --disable-nls \
    --disable-dauth --disable-bauth --disable-postprocessor --enable-messages CPPFLAGS="$cppflags" \
    >"$work/configure.log" 2>&1 || { tail -n 40 "$work/configure.log" >&2; exit 1; }
make -j2 -C src/microhttpd >"$work/make.log" 2>&1 || { tail -n 40 "$work/make.log" >&2; exit 1; }
make -C src/microhttpd install >>"$work/make.log" 2>&1
make -C src/include install >>"$work/make.log" 2>&1
printf '%s\n' "$cppflags" >"$prefix/settings"
