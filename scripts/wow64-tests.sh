#!/usr/bin/env bash
# The 32-bit build's end-to-end tests that need a 64-bit system: run in a
# 64-bit Wine prefix of their own (made once, beside the build), where the
# 32-bit programs see the 32-bit system folder in place of the system's own,
# as on 64-bit Windows. Called by ctest with the test program and a filter;
# fails when the tests were skipped (the prefix is not what they need).
set -euo pipefail
program=$1 filter=$2
export WINEPREFIX=${PELMARIND_WOW64_PREFIX:-$(dirname "$program")/../../wine-prefix-wow64} WINEARCH=win64
export WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/.pelmarind-ready" ]; then
    rm -rf "$WINEPREFIX"
    # (The 64-bit loader makes the prefix; the 32-bit one then runs in it.)
    timeout 300 env WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
    timeout 120 env WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    timeout 120 env WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    timeout 120 env WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    timeout 120 wineserver -w
    touch "$WINEPREFIX/.pelmarind-ready"
fi
status=0
output=$(timeout -k 10 240 wine "$program" --gtest_filter="$filter" 2>&1) || status=$?
timeout 30 wineserver -k >/dev/null 2>&1 || true
printf '%s\n' "$output"
if [ $status -eq 0 ] && ! grep -q '^\[  PASSED  \] [1-9]' <<<"$output"; then
    echo "no test ran in the 64-bit prefix"
    status=1
fi
if grep -q '^\[  SKIPPED \]' <<<"$output"; then
    echo "a test was skipped in the 64-bit prefix"
    status=1
fi
exit $status
