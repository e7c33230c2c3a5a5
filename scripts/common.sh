# Shared by the set-up, run and test scripts: the packages Tarnvale needs and how its trees are built.
# Sourced, not run.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"

# The Linux programs: the compiler, the build tools and the test framework the tree is built with, the libraries of
# the server's HTTP and UPnP sides (found through pkgconf), Debian's tools that make the package, and ffmpeg, which
# the server runs to convert video programs for the screens that cannot play their files and to make the programs'
# pictures; npm and openssl take and check the HLS player the server serves to browsers (cmake/hls-js.sh).
native_packages=(cmake ninja-build g++ googletest libgtest-dev git systemd pkgconf libmicrohttpd-dev libexpat1-dev
    dpkg-dev help2man ffmpeg npm openssl)
# The Windows program: the cross compiler, and Wine with a virtual display to run it and its tests; the tools that
# fetch and unpack Debian's source of the HTTP library and build it for Windows (cmake/microhttpd-windows.sh).
windows_packages=(g++-mingw-w64-x86-64-posix wine64 xvfb dpkg-dev make)
# Only the tests: the sanitizer runtimes and fuzzer (clang), the format check, ffmpeg for the media files, the real
# clients and the web server the HTTP side is tested and measured against, the UPnP control point (GUPnP from
# Python, gssdp-discover), the namespace tools its tests use and the peer server it is measured against, and
# Debian's package checker.
test_packages=(clang libclang-rt-14-dev clang-format ffmpeg curl chromium nginx-light python3-gi gir1.2-gupnp-1.6
               gir1.2-gupnp-av-1.0 gir1.2-gssdp-1.6 gupnp-tools iproute2 minidlna lintian)
packages=("${native_packages[@]}" "${windows_packages[@]}" "${test_packages[@]}")

say() { printf '\n== %s\n' "$*"; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# install_packages [NAME...]: installs those of the packages (all of them without names) that are missing.
install_packages() {
    local wanted=("$@") missing=()
    [ ${#wanted[@]} -gt 0 ] || wanted=("${packages[@]}")
    for p in "${wanted[@]}"; do
        # A machine whose Node.js came from elsewhere has its own npm, which Debian's npm package conflicts with.
        [ "$p" = npm ] && command -v npm >/dev/null 2>&1 && continue
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

# install_test_tools: what the tests take from npm, pinned, into build/node where they look for it: the driver
# through which they play the catalogue page's videos in Chromium (--dump-dom lets no media play).
install_test_tools() {
    say "Installing the page tests' browser driver in build/node"
    npm install --silent --no-audit --no-fund --prefix "$build/node" puppeteer-core@22.9.0
}
build_windows() { build_tree win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" "$@"; }
