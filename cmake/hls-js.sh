#!/usr/bin/env bash
# Takes the HLS player library that the catalogue page loads in browsers without HLS of their own: one pinned
# version, fetched with npm and checked against the integrity recorded here before anything of it is used. Leaves
# hls.min.js and its licence (Apache-2.0) in OUT_DIR; again only when the pinned version changes.
# Usage: hls-js.sh OUT_DIR
set -euo pipefail

version=1.6.19
integrity=sha512-A//aZeaAgM5rgUCbTURD4gkfyw5Uag2/4Jky7CfDOukL/DN+P5DjbgK2BYteyP3/KnCkPfkGVkbLxQG2T0AbUQ==

out=$1
if [ -f "$out/hls.min.js" ] && [ -f "$out/LICENSE" ] && [ "$(cat "$out/version" 2>/dev/null)" = "$version" ]; then
    exit 0
fi
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "hls.js@$version" >/dev/null) || {
    echo "npm pack hls.js@$version failed: is the npm registry reachable?" >&2
    exit 1
}
tarball="$work/hls.js-$version.tgz"
got="sha512-$(openssl dgst -sha512 -binary "$tarball" | base64 -w0)"
if [ "$got" != "$integrity" ]; then
    echo "hls.js-$version.tgz is not the one pinned: its integrity is $got, not $integrity" >&2
    exit 1
fi
tar -xzf "$tarball" -C "$work" package/dist/hls.min.js package/LICENSE
install -m 644 "$work/package/dist/hls.min.js" "$work/package/LICENSE" "$out/"
echo "$version" >"$out/version"
