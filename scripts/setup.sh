#!/usr/bin/env bash
# Sets Tarnvale up on a fresh Debian machine: the packages it needs, then the Linux and Windows builds.
set -euo pipefail
source "$(dirname "$0")/common.sh"
install_packages
build_native
build_windows
say "Built: $build/native/bin (Linux) and $build/win/bin (Windows)"
