#!/usr/bin/env bash
# Runs every benchmark program of the Windows build of this machine's flavour
# (scripts/common.sh) under Wine and prints its figures. Installs and builds
# what is missing first.
set -euo pipefail
source "$(dirname "$0")/common.sh"
ensure_deps
choose_flavour
wine_environment
build_windows
start_wine_session
for bench in "$WIN_BUILD"/bin/bench_*.exe; do
    echo "== $(basename "$bench" .exe)"
    PELMARIND_WINE_TIMEOUT=900 "$WIN_BUILD/wine-run" "$bench"
done
echo "== own_cost"
python3 "$ROOT/bench/own_cost/own_cost.py" "$WIN_BUILD"
