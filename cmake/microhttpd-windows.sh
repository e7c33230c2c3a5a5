#!/usr/bin/env bash
# Builds the HTTP library for the Windows tree: Debian's source package of it, fetched and checked by apt against
# the machine's own signed index, cross-compiled statically without TLS into a prefix. The machine's package
# configuration is left as it was: apt reads a sources list, index and cache of this build's own.
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

# The machine's own suites, as source lines. One-line and deb822 lists are both read; only "deb" entries count.
apt_dir="$work/apt"
mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
: >"$apt_dir/parts/machine.list"
: >"$apt_dir/parts/machine.sources"
if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >>"$apt_dir/parts/machine.list"
fi
for f in /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >>"$apt_dir/parts/machine.list"
done
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed 's/^Types:.*/Types: deb-src/' "$f" >>"$apt_dir/parts/machine.sources"
    printf '\n' >>"$apt_dir/parts/machine.sources"
done
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/parts/machine.list" -o "Dir::Etc::SourceParts=$apt_dir/parts"
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=$(id -un)"
    -o Debug::NoLocking=1)

source_dir=$(find "$work" -maxdepth 1 -type d -name "$package-*" | head -n 1)
if [ -z "$source_dir" ]; then
    echo "Fetching the source of $package (apt-get source, checked against the signed index)"
    apt-get "${apt_options[@]}" -q update >"$work/apt-update.log" 2>&1 || {
        cat "$work/apt-update.log" >&2
        echo "apt-get update for $package's source failed: is the package mirror reachable?" >&2
        exit 1
    }
    (cd "$work" && apt-get "${apt_options[@]}" -q source "$package") >"$work/apt-source.log" 2>&1 || {
        cat "$work/apt-source.log" >&2
        echo "apt-get source $package failed (is dpkg-dev installed?)" >&2
        exit 1
    }
    source_dir=$(find "$work" -maxdepth 1 -type d -name "$package-*" | head -n 1)
fi

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
