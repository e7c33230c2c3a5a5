#!/usr/bin/env bash
# The Debian package as a user meets it: made from a fresh clone by scripts/package.sh, checked by lintian,
# installed with apt, the installed server run as its unit runs it (its command line, its user, its settings file,
# its state folder) and played from over UDP and HTTP, upgraded keeping changed settings, removed, and purged down
# to the last file. It installs on this machine, so it needs root; it purges again even when a check fails.
# Usage: deb_test.sh VERSION (the version the tree builds). Exit status 77: the test cannot run here.
set -euo pipefail
version=$1
source_tree=$(cd "$(dirname "$0")/../.." && pwd)
udp_port=17080
http_port=17081
timeout=30

skip() {
    echo "SKIPPED: $*"
    exit 77
}
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
[ "$(id -u)" -eq 0 ] || skip "installs a package on this machine, so it runs as root only (as in CI)"
command -v apt-get >/dev/null && command -v lintian >/dev/null || skip "needs apt-get and lintian (scripts/setup.sh)"
installed_status() { dpkg-query -W -f='${db:Status-Abbrev}' tarnvale 2>/dev/null || true; }
[ -z "$(installed_status)" ] || [ "$(installed_status)" = "un " ] ||
    skip "tarnvale is installed on this machine ($(installed_status)); the test would replace and purge it"

# One package test on the machine at a time, also across trees and clones: they share /usr and dpkg.
exec {lock}</var/lib/dpkg
flock -w 1800 "$lock" || fail "another package test held the lock for 30 minutes"

work=$(mktemp -d)
chmod 755 "$work" # apt's own user reads the package from here, the server's user the media file
server_pid=
cleanup() {
    # The server's user cannot be removed while it runs.
    if [ -n "$server_pid" ]; then
        kill -KILL "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    if [ -n "$(installed_status)" ] && [ "$(installed_status)" != "un " ]; then
        echo "== Purging tarnvale again"
        apt_get purge tarnvale || echo "FAILED: the purge at the end failed; run: apt-get purge tarnvale" >&2
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=300 "$@"; }

# Every entry at the top of the file system, and every file and folder in the places packages install to, leaving
# out those where the system keeps passing state.
list_files() {
    local roots=(/etc /opt /usr /var)
    for folder in /bin /sbin /lib /lib32 /lib64 /libx32; do
        [ ! -d "$folder" ] || [ -L "$folder" ] || roots+=("$folder") # merged into /usr already where a link
    done
    {
        find / -mindepth 1 -maxdepth 1
        find "${roots[@]}" \( -path /var/tmp -o -path /var/cache -o -path /var/log \) -prune -o -print
    } | LC_ALL=C sort
}

echo "== Making the package from a fresh clone"
"$source_tree/scripts/package.sh" deb >"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "package.sh deb"; }
arch=$(dpkg --print-architecture)
built="$source_tree/build/packages/tarnvale_${version}_${arch}.deb"
[ -f "$built" ] || fail "package.sh deb made no $built"
deb="$work/tarnvale_${version}_${arch}.deb"
cp "$built" "$deb"
chmod 644 "$deb"
echo "Size: $(stat -c %s "$deb") bytes"

echo "== lintian"
lintian --fail-on error "$deb" || fail "lintian reports errors on the package"

echo "== What the package holds"
field() { dpkg-deb -f "$deb" "$1"; }
echo "Depends: $(field Depends)"
for name in Package:tarnvale Version:"$version" Architecture:"$arch" Section:video Priority:optional; do
    [ "$(field "${name%%:*}")" = "${name#*:}" ] || fail "the package's ${name%%:*} is '$(field "${name%%:*}")'"
done
for name in Maintainer Description Installed-Size; do
    [ -n "$(field $name)" ] || fail "the package has no $name"
done
[ "$(dpkg-deb -I "$deb" conffiles)" = /etc/default/tarnvale ] || fail "the settings file is not the one conffile"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' >"$work/contents"
for path in /usr/bin/tarnvale-server /usr/bin/tarnvale-client /usr/bin/tarnvale /usr/bin/tarnvale-probe \
    /usr/share/tarnvale/skins/Tarnvale/skin.ini /usr/share/doc/tarnvale/README.md \
    /usr/share/doc/tarnvale/copyright /usr/share/doc/tarnvale/changelog.gz /etc/default/tarnvale \
    /lib/systemd/system/tarnvale-server.service /lib/systemd/system/tarnvale-watch.service; do
    grep -qx "$path" "$work/contents" || fail "the package lacks $path"
done
outside=$(grep -v -E '^(/|/usr(/.*)?|/etc|/etc/default(/.*)?|/lib|/lib/systemd(/.*)?)$' "$work/contents" || true)
[ -z "$outside" ] || fail "the package puts files where packages do not: $outside"

list_files >"$work/files-before"

echo "== Installing with apt"
apt_get install "$deb" || fail "apt-get install of the package"
[ "$(installed_status)" = "ii " ] || fail "after the install, dpkg says '$(installed_status)'"
for name in tarnvale-server tarnvale-client tarnvale tarnvale-probe; do
    said=$("/usr/bin/$name" --version 2>&1) || fail "/usr/bin/$name --version failed: $said"
    [ "$said" = "$name $version" ] || fail "/usr/bin/$name --version says '$said'"
done
# Every library a program links comes from a package named in Depends (the libraries' own come with theirs).
for program in /usr/bin/tarnvale-server /usr/bin/tarnvale-client /usr/bin/tarnvale /usr/bin/tarnvale-probe; do
    for needed in $(readelf -d "$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
        library=$(ldd "$program" | awk -v name="$needed" '$1 == name && $3 ~ /^\// {print $3}')
        [ -n "$library" ] || fail "$program needs $needed, which is not found"
        owner=$(dpkg -S "$(readlink -f "$library")" 2>/dev/null || dpkg -S "$library") ||
            fail "no package owns $library, which $program needs"
        owner=${owner%%:*}
        depends=", $(field Depends),"
        [[ "$depends" == *", $owner "* || "$depends" == *", $owner,"* ]] ||
            fail "$program needs $library from $owner, which Depends does not name"
    done
done
getent passwd tarnvale >/dev/null || fail "the install made no user tarnvale"
[ "$(stat -c %U "/var/lib/tarnvale")" = tarnvale ] || fail "/var/lib/tarnvale is not the user tarnvale's"
wants=/etc/systemd/system/multi-user.target.wants
[ "$(readlink "$wants/tarnvale-server.service")" = /lib/systemd/system/tarnvale-server.service ] ||
    fail "the server's service is not enabled"
[ ! -e "$wants/tarnvale-watch.service" ] || fail "the watch was enabled though it has no folder yet"
for unit in tarnvale-server tarnvale-watch; do
    remarks=$(systemd-analyze verify "/lib/systemd/system/$unit.service" 2>&1) || fail "systemd refuses $unit: $remarks"
    [ -z "$remarks" ] || fail "systemd has remarks on $unit: $remarks"
done

echo "== The server as its unit runs it, with the options in the settings file"
settings=/etc/default/tarnvale
options="--port $udp_port --http $http_port --allow 127.0.0.0/8"
sed -i "s|^TARNVALE_OPTIONS=.*|TARNVALE_OPTIONS=\"$options\"|" "$settings"
grep -qx "TARNVALE_OPTIONS=\"$options\"" "$settings" || fail "$settings has no TARNVALE_OPTIONS line to change"
cp "$settings" "$work/settings"
unit=/lib/systemd/system/tarnvale-server.service
unit_value() { sed -n "s/^$1=//p" "$unit"; }
user=$(unit_value User)
environment_file=$(unit_value EnvironmentFile)
environment_file=${environment_file#-}
state="/var/lib/$(unit_value StateDirectory)"
[ "$environment_file" = "$settings" ] || fail "the unit reads its settings from '$environment_file'"
# As systemd does: the settings file's variables in the environment, unbraced $NAME split into words.
read -r -a command <<<"$(set -a && . "$environment_file" && eval "echo $(unit_value ExecStart)")"
list=
for ((i = 0; i + 1 < ${#command[@]}; i++)); do
    [ "${command[i]}" != --list ] || list=${command[i + 1]}
done
[ "$(dirname "$list")" = "$state" ] || fail "the unit serves '$list', not a list file in its state folder $state"
exec {server_out}< <(cd / && set -a && . "$environment_file" &&
    exec setpriv --reuid="$user" --regid="$user" --init-groups "${command[@]}" 2>&1)
server_pid=$!
# line_from_server START: reads the server's output until a line starting with START; fails after $timeout seconds.
line_from_server() {
    local line
    while IFS= read -r -t "$timeout" -u "$server_out" line; do
        echo "server: $line"
        [[ "$line" != "$1"* ]] || return 0
    done
    fail "the server did not say '$1'"
}
line_from_server "HTTP on port $http_port"
line_from_server "Serving on UDP port $udp_port"
[ "$(awk '/^Uid:/ {print $2}' "/proc/$server_pid/status")" = "$(id -u "$user")" ] || fail "the server is not run as $user"

mkdir -m 755 "$work/media"
install -m 644 "$source_tree/tests/data/media/clip.avi" "$work/media/clip.avi"
tarnvale --list "$list" add "$work/media/clip.avi" 12 || fail "tarnvale add to the service's list file"
client="tarnvale-client --port $udp_port --timeout 2"
# The server takes the change a moment after the save; each listing waits for its answers.
deadline=$((SECONDS + timeout))
until $client list 2>&1 | grep -q "^12  AVI  77120 .*clip.avi$"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "the server did not list the program added: $($client list 2>&1)"
done
$client play 12 --out "$work/over-udp.avi" || fail "tarnvale-client play"
cmp "$work/media/clip.avi" "$work/over-udp.avi" || fail "the program played over UDP differs from its file"
curl -fsS --max-time "$timeout" -o "$work/over-http.avi" "http://127.0.0.1:$http_port/programs/12" ||
    fail "the program over HTTP"
cmp "$work/media/clip.avi" "$work/over-http.avi" || fail "the program fetched over HTTP differs from its file"

kill -TERM "$server_pid"
while :; do
    IFS= read -r -t "$timeout" -u "$server_out" line || { status=$?; break; }
    echo "server: $line"
done
[ "$status" -eq 1 ] || fail "the server did not stop within $timeout seconds of SIGTERM" # 1: its output ended
wait "$server_pid" || fail "the server stopped with status $? on SIGTERM"
server_pid=
cp "$list" "$work/catalogue"

echo "== Upgrading to a second build, the settings changed"
second=$("$source_tree/build/package/src/scripts/make-deb.sh" "$source_tree/build/package/linux" "$work/second" \
    "$version+1") || fail "make-deb.sh for the second build"
chmod -R a+rX "$work/second"
apt_get install "$second" || fail "apt-get install of the second build"
[ "$(dpkg-query -W -f='${Version}' tarnvale)" = "$version+1" ] || fail "the upgrade did not install $version+1"
cmp "$work/settings" "$settings" || fail "the upgrade did not keep the changed settings"
[ ! -e "$settings.dpkg-dist" ] && [ ! -e "$settings.dpkg-old" ] || fail "the upgrade left a copy of the settings"
cmp "$work/catalogue" "$list" || fail "the upgrade changed the catalogue"

echo "== Removing: the catalogue and the settings stay"
apt_get remove tarnvale || fail "apt-get remove"
[ "$(installed_status)" = "rc " ] || fail "after the removal, dpkg says '$(installed_status)'"
[ ! -e /usr/bin/tarnvale-server ] || fail "the removal left the programs"
cmp "$work/settings" "$settings" || fail "the removal did not keep the settings"
cmp "$work/catalogue" "$list" || fail "the removal did not keep the catalogue"

echo "== Purging: nothing is left"
apt_get purge tarnvale || fail "apt-get purge"
[ -z "$(installed_status)" ] || [ "$(installed_status)" = "un " ] || fail "after the purge, dpkg says '$(installed_status)'"
! getent passwd tarnvale >/dev/null || fail "the purge left the user tarnvale"
! getent group tarnvale >/dev/null || fail "the purge left the group tarnvale"
list_files >"$work/files-after"
diff "$work/files-before" "$work/files-after" || fail "the purge did not leave the files as they were before the install"
echo "== The package installs, serves, upgrades and purges cleanly"
