#!/usr/bin/env bash
# Sets Tarnvale up on a fresh Debian machine: the packages it needs, then the Linux and Windows builds.
set -euo pipefail
source "$(dirname "$0")/common.sh"
install_packages
build_native
build_windows
# build/bin is the Linux programs' folder under a short name.
ln -sfn native/bin "$build/bin"
say "Built: $build/bin (Linux programs, in build/native/bin) and $build/win/bin (Windows programs)"
