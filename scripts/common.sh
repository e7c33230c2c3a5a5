# Shared by the set-up, run and test scripts: the packages Tarnvale needs and how its trees are built.
# Sourced, not run.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"

packages=(cmake ninja-build g++ clang libclang-rt-14-dev clang-format googletest libgtest-dev
          g++-mingw-w64-x86-64-posix wine64 xvfb git ffmpeg systemd libmicrohttpd-dev curl chromium nginx-light)

say() { printf '\n== %s\n' "$*"; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        say "All packages are installed"
        return
    fi
    say "Installing ${missing[*]}"
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

# build_tree NAME [cmake options...]: configures build/NAME (once) and builds it.
build_tree() {
    local name=$1
    shift
    say "Building $name in build/$name"
    cmake -S "$root" -B "$build/$name" -G Ninja -DTARNVALE_TEST_PREFIX="$name." "$@" >/dev/null
    cmake --build "$build/$name"
}

build_native() { build_tree native "$@"; }
build_windows() { build_tree win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" "$@"; }
