#!/usr/bin/env bash
# Long fuzzing with fresh seeds, for after a parser was touched: every fuzz target (or those named) for the given
# time each, two at a time on a machine with two cores or more. Each target keeps a corpus of its own between runs
# in build/fuzz-long/corpus/NAME, started from the seeds kept in tests/fuzz/seeds/NAME; an input that crashes a
# target is written to build/fuzz-long/crashes/NAME/ and named at the end, with the command that makes it a
# regression case which every CI run then replays.
# Usage: scripts/fuzz.sh [--minutes N] [--jobs N] [TARGET...]   (default: every target, 10 minutes each)
set -euo pipefail
source "$(dirname "$0")/common.sh"

minutes=10
jobs=$(($(nproc) > 1 ? 2 : 1))
targets=()
while [ $# -gt 0 ]; do
    case $1 in
    --minutes) minutes=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    -h | --help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
    esac
done
case $minutes in "" | *[!0-9]* | 0) echo "fuzz.sh: --minutes takes a whole number from 1 up" >&2; exit 2 ;; esac

install_packages clang libclang-rt-14-dev cmake ninja-build
build_tree fuzz -DTARNVALE_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
bin="$build/fuzz/bin"
if [ ${#targets[@]} -eq 0 ]; then
    for exe in "$bin"/*_fuzz; do targets+=("$(basename "$exe")"); done
fi
for target in "${targets[@]}"; do
    [ -x "$bin/$target" ] || { echo "fuzz.sh: no fuzz target $target (there are: $(cd "$bin" && ls -- *_fuzz | xargs))" >&2; exit 2; }
done

out="$build/fuzz-long"
seeds="$root/tests/fuzz/seeds"
# One target: its own corpus and crash folder, a fresh seed, the dictionary and options ctest gives it.
fuzz_one() {
    local target=$1 corpus="$out/corpus/$1" crashes="$out/crashes/$1" seed
    mkdir -p "$corpus" "$crashes"
    seed=$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
    # The dictionary, the length limit and the seed folders ctest gives the target, less its scratch corpus: the
    # corpus kept here comes first, where libFuzzer writes what it finds.
    local given=()
    mapfile -t given < <(ctest --test-dir "$build/fuzz" -R "^fuzz\.$target\$" --show-only=json-v1 |
        python3 -c 'import json, os, sys
command = json.load(sys.stdin)["tests"][0]["command"]
folders = [a for a in command[3:] if not a.startswith("-") and a != command[1] and os.path.isdir(a)]
print("\n".join([a for a in command if a.startswith(("-dict=", "-max_len="))] + folders))')
    echo "fuzzing $target for $minutes min (seed $seed); log in $out/$target.log"
    "$bin/$target" -seed="$seed" -max_total_time=$((minutes * 60)) -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" "${given[@]}" \
        >"$out/$target.log" 2>&1 || true
    grep -E '^(stat::number_of_executed_units|#[0-9]+.*DONE)' "$out/$target.log" | tail -n 2 | sed "s/^/  $target: /"
}

mkdir -p "$out"
say "Fuzzing ${targets[*]} for $minutes minutes each, $jobs at a time"
running=0
for target in "${targets[@]}"; do
    fuzz_one "$target" &
    running=$((running + 1))
    if [ $running -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
wait

found=0
for target in "${targets[@]}"; do
    for crash in "$out/crashes/$target"/*; do
        [ -f "$crash" ] || continue
        found=$((found + 1))
        echo "FOUND: $target: $crash"
        echo "  replay:  $bin/$target $crash"
        echo "  keep as a regression case once mended:  cp $crash $seeds/$target/regression-WHAT-IT-BROKE"
    done
done
if [ $found -eq 0 ]; then
    say "No target crashed"
else
    say "$found crash inputs: mend the fault, then keep each input as a regression case (above)"
    exit 1
fi
