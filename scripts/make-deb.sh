#!/usr/bin/env bash
# Makes the Debian package tarnvale_VERSION_ARCH.deb from a built Linux tree: the tree's own `cmake --install` into
# /usr (the programs, the skin, the README, the units in /lib/systemd/system and the settings in /etc, kept as a
# conffile), manual pages made from the programs' --help, the maintainer scripts of packaging/debian/ and a Depends
# line that dpkg-shlibdeps works out from the programs' libraries, so that it follows whatever the programs link.
# Usage: scripts/make-deb.sh BUILD_DIR OUT_DIR [VERSION]; VERSION is the tree's project version unless given.
set -euo pipefail
source "$(dirname "$0")/common.sh"
[ $# -ge 2 ] || { echo "usage: $0 BUILD_DIR OUT_DIR [VERSION]" >&2; exit 2; }
tree=$(cd "$1" && pwd)
out=$2
version=${3:-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$tree/CMakeCache.txt")}
[ -n "$version" ] || { echo "$0: $tree has no CMakeCache.txt naming a version; build the tree first" >&2; exit 1; }
maintainer=${TARNVALE_MAINTAINER:-"Tarnvale maintainers <maintainers@tarnvale.example>"}
arch=$(dpkg --print-architecture)

umask 022
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
chmod 755 "$stage"
pkg="$stage/tarnvale"
DESTDIR="$pkg" cmake --install "$tree" --prefix /usr >/dev/null
# Stripped as Debian strips its programs: no symbols, no compiler notes.
strip --remove-section=.comment --remove-section=.note "$pkg"/usr/bin/*

doc="$pkg/usr/share/doc/tarnvale"
install -m 644 "$root/packaging/debian/copyright" "$doc/copyright"
# The date of the commit built when package.sh gives it, so that two builds of one commit are the same.
date=$(date -R -d "@${SOURCE_DATE_EPOCH:-$(date +%s)}")
printf '%s\n' "tarnvale ($version) unstable; urgency=medium" "" "  * Tarnvale $version." "" \
    " -- $maintainer  $date" | gzip -9n >"$doc/changelog.gz"

# A manual page for each program, made from its --help; with HOME=~ they name the per-user list file as a reader
# finds it, not the packager's.
declare -A summaries=(
    [tarnvale-server]="serves a catalogue of media programs to players on a local network"
    [tarnvale-client]="lists and plays the programs of a Tarnvale server"
    [tarnvale]="shows and edits the catalogue that a Tarnvale server serves"
    [tarnvale-probe]="prints what the catalogue makes of media files"
)
man="$pkg/usr/share/man/man1"
mkdir -p "$man"
for program in "$pkg"/usr/bin/*; do
    name=$(basename "$program")
    [ -n "${summaries[$name]:-}" ] || { echo "$0: write a one-line summary of $name into summaries here" >&2; exit 1; }
    HOME='~' help2man --no-info --name "${summaries[$name]}" "$program" | gzip -9n >"$man/$name.1.gz"
done

mkdir "$pkg/DEBIAN"
install -m 755 "$root/packaging/debian/"{postinst,prerm,postrm} "$pkg/DEBIAN/"
install -m 644 "$root/packaging/debian/conffiles" "$pkg/DEBIAN/"
(cd "$pkg" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | LC_ALL=C sort -z | xargs -0 md5sum) \
    >"$pkg/DEBIAN/md5sums"

# dpkg-shlibdeps reads a source package's debian/control; a stand-in names the one binary package.
mkdir -p "$stage/source/debian"
printf 'Source: tarnvale\n\nPackage: tarnvale\nArchitecture: any\n' >"$stage/source/debian/control"
shlibs=$(cd "$stage/source" && dpkg-shlibdeps -O "${pkg}"/usr/bin/*)
# ffmpeg converts the video programs for browsers, phones and TVs: run as a program, never linked.
depends="${shlibs#shlibs:Depends=}, adduser, ffmpeg"

cat >"$pkg/DEBIAN/control" <<EOT
Package: tarnvale
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$pkg" | cut -f1)
Depends: $depends
Section: video
Priority: optional
Description: video-on-demand server for a local network
 Tarnvale serves a catalogue of media programs (MPEG-1, MPEG-2/VOB, AVI and
 MP3 files, each with a program id) to the machines of a local network: to
 its own clients over a UDP command protocol with a TCP stream, and to any
 player or browser over HTTP, with seeking.
 .
 The package runs the server as a system service, tarnvale-server, with its
 catalogue in /var/lib/tarnvale and its options in /etc/default/tarnvale. It
 also brings the catalogue tool (tarnvale), which adds programs and can follow
 a media folder as a second service, tarnvale-watch, the command-line client
 (tarnvale-client) and the media probe (tarnvale-probe).
EOT

mkdir -p "$out"
deb="$out/tarnvale_${version}_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$pkg" "$deb" >/dev/null
echo "$deb"
