#!/usr/bin/env bash
# Runs every test: the platform-free core natively (with ASan and UBSan), a
# short fuzzing round, then the Windows build under Wine in this machine's
# flavour (scripts/common.sh); in the win64 flavour also the 32-bit build's
# end-to-end suite in a virtual machine. Installs what is missing first.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

STAGES=()
stage_started=$SECONDS
stage_done() {
    STAGES+=("$(printf '%-44s %4d s' "$1" $((SECONDS - stage_started)))")
    stage_started=$SECONDS
}

ensure_deps
choose_flavour
stage_done "installing what is missing"

echo "== native build and unit tests"
NATIVE=$BUILD/native
[ -f "$NATIVE/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$NATIVE" -DCMAKE_BUILD_TYPE=Debug -DPELMARIND_SANITIZE=ON >/dev/null
cmake --build "$NATIVE" -j "$JOBS"
ctest --test-dir "$NATIVE" --output-on-failure --timeout 120 -j "$JOBS"
stage_done "native build and unit tests"

echo "== fuzzing round"
"$ROOT/scripts/fuzz.sh" "${PELMARIND_FUZZ_SECONDS:-4}"
stage_done "fuzzing round"

echo "== Windows builds"
wine_environment
build_windows
stage_done "Windows builds"

echo "== tests under Wine ($FLAVOUR flavour)"
start_wine_session
# A test that fails is run once more (its first output stays in the log):
# windows of several processes under Wine on a loaded machine now and then
# miss a deadline. A fault fails both times.
ctest --test-dir "$WIN_BUILD" --output-on-failure --timeout 300 --repeat until-pass:2
stop_wine_session
stage_done "tests under Wine ($FLAVOUR)"

echo "== release archive: two clean builds of the shipped programs, compared"
"$ROOT/scripts/package.sh" --check
stage_done "release archive, two clean builds compared"

if [ "$FLAVOUR" = win64 ]; then
    echo "== the 32-bit build's end-to-end suite in a virtual machine"
    # The guide's examples are the documentation's, not the 32-bit program's:
    # they run under wine64 above, and would add minutes of emulation here.
    "$ROOT/scripts/vm-e2e.sh" --gtest_filter=-GuideExamples.*
    stage_done "32-bit end-to-end suite in a virtual machine"
fi

echo "== time of each stage"
printf '   %s\n' "${STAGES[@]}"
echo "== all tests passed"
