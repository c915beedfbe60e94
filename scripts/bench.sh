#!/usr/bin/env bash
# Runs every benchmark program of the Windows build of this machine's flavour
# (scripts/common.sh) under Wine and prints its figures. They are built, with
# the tool's phase log (the build option PELMARIND_PHASE_LOG), in a folder of
# their own, build/bench-FLAVOUR: neither the shipped program nor the tests'
# build carries the log. Installs and builds what is missing first. Stops with
# a non-zero status and the reason at the first benchmark that fails.
# Arguments go to own_cost.py (ROUNDS [MIB...]).
set -euo pipefail
source "$(dirname "$0")/common.sh"
ensure_deps
choose_flavour
wine_environment
BENCH_BUILD=$BUILD/bench-$FLAVOUR
if [ ! -f "$BENCH_BUILD/CMakeCache.txt" ]; then
    arch=i686
    [ "$FLAVOUR" = win32 ] || arch=x86_64
    cmake -S "$ROOT" -B "$BENCH_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$arch.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DPELMARIND_PHASE_LOG=ON >/dev/null
fi
# What is built is what runs: the benchmark programs, and every program of
# the build that the benchmarks (their programs, own_cost.py and the test
# robot they start the stand-in editor with) name as NAME.exe. Names that are
# no target of the build are the system's own programs (cmd.exe).
mapfile -t targets < <(cmake --build "$BENCH_BUILD" --target help | sed -n 's/^\.\.\. \([A-Za-z0-9_]*\).*/\1/p')
mapfile -t benches < <(printf '%s\n' "${targets[@]}" | grep '^bench_')
mapfile -t started < <(grep -rhoE '\b[A-Za-z][A-Za-z0-9_]*\.exe\b' "$ROOT/bench" "$ROOT/tests/robot" |
                       sed 's/\.exe$//' | sort -u | grep -v '^bench_' | grep -Fxf <(printf '%s\n' "${targets[@]}"))
echo "== building: ${benches[*]} ${started[*]}"
cmake --build "$BENCH_BUILD" -j "$JOBS" --target "${benches[@]}" "${started[@]}"
start_wine_session
for bench in "${benches[@]}"; do
    echo "== $bench"
    if ! PELMARIND_WINE_TIMEOUT=900 "$BENCH_BUILD/wine-run" "$BENCH_BUILD/bin/$bench.exe"; then
        echo "== $bench failed (exit status above)" >&2
        exit 1
    fi
done
echo "== own_cost"
python3 "$ROOT/bench/own_cost/own_cost.py" "$BENCH_BUILD" "$@"
