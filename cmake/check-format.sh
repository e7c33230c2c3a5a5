#!/bin/sh
# Fails when a tracked C++ file is not formatted as .clang-format says.
cd "$(dirname "$0")/.." || exit 1
git ls-files '*.h' '*.cpp' | xargs -r clang-format --dry-run -Werror
