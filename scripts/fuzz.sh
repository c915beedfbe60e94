#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan) and runs each for the given
# number of seconds (default 300): a few seconds in the test command, longer
# runs by hand.
set -euo pipefail
source "$(dirname "$0")/common.sh"
seconds=${1:-300}
FUZZ=$BUILD/fuzz
if [ -f "$FUZZ/CMakeCache.txt" ]; then
    cmake "$FUZZ" >/dev/null  # (new targets must exist before the build names them)
else
    CC=clang CXX=clang++ cmake -S "$ROOT" -B "$FUZZ" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELMARIND_FUZZ=ON >/dev/null
fi
shopt -s nullglob
targets=()
for source in "$ROOT"/fuzz/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
[ ${#targets[@]} -gt 0 ] || exit 0
cmake --build "$FUZZ" -j "$JOBS" --target "${targets[@]}"
for source in "$ROOT"/fuzz/*.cpp; do
    name=$(basename "$source" .cpp)
    corpus=$FUZZ/corpus/$name
    mkdir -p "$corpus"
    echo "-- $name ($seconds s)"
    "$FUZZ/bin/$name" -max_total_time="$seconds" -max_len=4096 -print_final_stats=0 "$corpus" 2>&1 | tail -n 1
done
