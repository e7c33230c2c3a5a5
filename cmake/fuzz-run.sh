#!/bin/sh
# Runs one fuzz target for ctest from a fresh scratch corpus, so that a run depends only on the commit: the seeds
# kept in the repository, the fixed seed and the run count its options give. What the run finds goes to the scratch
# folder, emptied first, never to the seeds; a crash input is written beside it for scripts/fuzz.sh's advice.
# Usage: fuzz-run.sh SCRATCH_DIR fuzzer [options and corpus folders...]  (SCRATCH_DIR should be among the folders)
set -eu
scratch=$1
shift
rm -rf "$scratch"
mkdir -p "$scratch"
exec "$@"
