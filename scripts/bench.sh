#!/usr/bin/env bash
# Runs every benchmark program of the Windows build of this machine's flavour
# (scripts/common.sh) under Wine and prints its figures. They are built, with
# the tool's phase log (the build option PELMARIND_PHASE_LOG), in a folder of
# their own, build/bench-FLAVOUR: neither the shipped program nor the tests'
# build carries the log. Installs and builds what is missing first.
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
# The benchmark programs and what they start (own_cost.py starts the tool, the
# stand-in editor, the converter and the minimal run).
mapfile -t benches < <(cmake --build "$BENCH_BUILD" --target help | sed -n 's/^\.\.\. \(bench_[a-z_]*\).*/\1/p')
cmake --build "$BENCH_BUILD" -j "$JOBS" --target "${benches[@]}" pelmarind standin_editor textconv minimal_run
start_wine_session
for bench in "$BENCH_BUILD"/bin/bench_*.exe; do
    echo "== $(basename "$bench" .exe)"
    PELMARIND_WINE_TIMEOUT=900 "$BENCH_BUILD/wine-run" "$bench"
done
echo "== own_cost"
python3 "$ROOT/bench/own_cost/own_cost.py" "$BENCH_BUILD"
