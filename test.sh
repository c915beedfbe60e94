#!/usr/bin/env bash
# Runs every test: the platform-free core natively (with ASan and UBSan), a
# short fuzzing round, then the Windows build under Wine. Installs what is
# missing first.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

ensure_deps

echo "== native build and unit tests"
NATIVE=$BUILD/native
[ -f "$NATIVE/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$NATIVE" -DCMAKE_BUILD_TYPE=Debug -DPELMARIND_SANITIZE=ON >/dev/null
cmake --build "$NATIVE" -j "$JOBS"
ctest --test-dir "$NATIVE" --output-on-failure --timeout 120 -j "$JOBS"

echo "== fuzzing round"
"$ROOT/scripts/fuzz.sh" "${PELMARIND_FUZZ_SECONDS:-4}"

echo "== Windows build"
wine_environment
build_win32

echo "== tests under Wine"
start_wine_session
ctest --test-dir "$WIN_BUILD" --output-on-failure --timeout 300
echo "== all tests passed"
