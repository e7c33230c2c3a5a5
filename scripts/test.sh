#!/usr/bin/env bash
# Sets Tarnvale up and runs every test: natively, under AddressSanitizer+UndefinedBehaviorSanitizer, the threaded
# tests under ThreadSanitizer, and the Windows build under Wine (inside Xvfb when there is no display). All trees
# run in one ctest, so the last line is its summary.
set -euo pipefail
source "$(dirname "$0")/common.sh"
install_packages
install_test_tools
# A warning fails the build here, so that none can land; people building by hand only see them.
werror=-DTARNVALE_WERROR=ON
build_native $werror
build_windows $werror
build_tree asan -DTARNVALE_SANITIZE=address -DTARNVALE_BENCH=OFF $werror
build_tree tsan -DTARNVALE_SANITIZE=thread -DTARNVALE_BENCH=OFF $werror
# The fuzz targets, built with clang in a tree of their own; ctest runs each for a bounded time.
build_tree fuzz -DTARNVALE_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ $werror

cat >"$build/CTestTestfile.cmake" <<EOT
# Written by scripts/test.sh: runs the tests of every tree in one ctest.
subdirs("native" "win" "asan" "tsan" "fuzz")
EOT
say "Running the tests"
cd "$build"
# ThreadSanitizer needs a fixed address-space layout on kernels with many bits of mmap randomisation.
exec setarch "$(uname -m)" -R ctest -j2 --output-on-failure --timeout 900
