# Sourced by the scripts that build a library for the Windows tree: fetch_debian_source WORK PACKAGE[=VERSION]
# fetches Debian's source package of it, checked by apt against the machine's own signed index, into WORK (once),
# and sets source_dir. The machine's package configuration is left as it was: apt reads a sources list, index and
# cache of this build's own.
fetch_debian_source() {
    local work=$1 wanted=$2
    local package=${wanted%%=*}
    source_dir=$(find "$work" -maxdepth 1 -type d -name "$package-*" | head -n 1)
    [ -n "$source_dir" ] && return 0

    # The machine's own suites, as source lines. One-line and deb822 lists are both read; only "deb" entries count.
    local apt_dir="$work/apt"
    mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    : >"$apt_dir/parts/machine.list"
    : >"$apt_dir/parts/machine.sources"
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >>"$apt_dir/parts/machine.list"
    fi
    local f
    for f in /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >>"$apt_dir/parts/machine.list"
    done
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        sed 's/^Types:.*/Types: deb-src/' "$f" >>"$apt_dir/parts/machine.sources"
        printf '\n' >>"$apt_dir/parts/machine.sources"
    done
    local apt_options=(-o "Dir::Etc::SourceList=$apt_dir/parts/machine.list" -o "Dir::Etc::SourceParts=$apt_dir/parts"
        -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=$(id -un)"
        -o Debug::NoLocking=1)

    echo "Fetching the source of $wanted (apt-get source, checked against the signed index)"
    apt-get "${apt_options[@]}" -q update >"$work/apt-update.log" 2>&1 || {
        cat "$work/apt-update.log" >&2
        echo "apt-get update for $package's source failed: is the package mirror reachable?" >&2
        exit 1
    }
    (cd "$work" && apt-get "${apt_options[@]}" -q source "$wanted") >"$work/apt-source.log" 2>&1 || {
        cat "$work/apt-source.log" >&2
        echo "apt-get source $wanted failed (is dpkg-dev installed?)" >&2
        exit 1
    }
    source_dir=$(find "$work" -maxdepth 1 -type d -name "$package-*" | head -n 1)
}
