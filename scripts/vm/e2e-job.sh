#!/usr/bin/env bash
# Runs inside the virtual machine that scripts/vm-e2e.sh starts: the 32-bit
# build's end-to-end suite under Wine's 32-bit loader, in our usual Wine
# session. Arguments go to the suite. Exits with the suite's status.
set -euo pipefail
# The 32-bit flavour whatever this machine's own, and the prefix on the
# guest's tmpfs: on the 9p share a new prefix takes minutes instead of
# seconds.
export PELMARIND_FLAVOUR=win32 PELMARIND_WINE_PREFIX=/tmp/wine-prefix
source "$(dirname "$0")/../common.sh"
wine_environment

# A new prefix costs the better part of a minute here, so a finished one is
# kept as a tar in the build folder. Its name holds what it was made from:
# Wine's version and the steps that make it.
key=$( { dpkg-query -W -f='${Version}' wine32:i386; declare -f ensure_prefix; } | sha256sum | cut -c1-16)
prefix_tar=$BUILD/vm/wine-prefix32-$key.tar
started=$SECONDS
if [ -f "$prefix_tar" ]; then
    echo "-- restoring the 32-bit Wine prefix"
    mkdir -p "$WINEPREFIX"
    # (In records of 1 MB: each read from the share is a round trip to the
    # host.)
    tar -x -b 2048 -f "$prefix_tar" -C "$WINEPREFIX"
    start_wine_session
else
    start_wine_session
    # The registry is on disk only once the wineserver has gone.
    stop_wine_session
    echo "-- keeping the 32-bit Wine prefix for the next runs"
    tar -c -b 2048 -f "$prefix_tar.part" -C "$WINEPREFIX" .
    rm -f "$BUILD"/vm/wine-prefix32-*.tar
    mv "$prefix_tar.part" "$prefix_tar"
    start_wine_session
fi
echo "-- Wine session ready in $((SECONDS - started)) s"

echo "-- e2e_tests.exe $*"
started=$SECONDS
# Its output goes to a file that is shown as it grows: not to the console,
# which would give every Windows program Wine's console host, and not through
# a pipe, which stays open while any program that a test left running holds
# it, so that the reader would wait for that program forever.
log=/tmp/e2e_tests.log
"$PE32_BUILD/wine-run" "$PE32_BUILD/bin/e2e_tests.exe" "$@" </dev/null >"$log" 2>&1 &
suite=$!
tail -n +1 -f --pid="$suite" "$log"
status=0
wait "$suite" || status=$?
echo "-- the suite took $((SECONDS - started)) s and exited with $status"
# Tests that failed are run once more, as under Wine outside (the first
# output stays above); a fault fails both times. Not after a hang or a crash
# of the suite, which names no failed test.
# (The suite's lines end in CR LF.)
failed=$(tr -d '\r' <"$log" | grep -E '^\[  FAILED  \] [A-Za-z0-9_/]+\.[A-Za-z0-9_/]+$' | cut -c14- | sort -u | paste -sd: || true)
if [ "$status" != 0 ] && [ -n "$failed" ]; then
    echo "-- running once more: $failed"
    "$PE32_BUILD/wine-run" "$PE32_BUILD/bin/e2e_tests.exe" --gtest_filter="$failed" </dev/null >"$log.again" 2>&1 &
    suite=$!
    tail -n +1 -f --pid="$suite" "$log.again"
    status=0
    wait "$suite" || status=$?
    echo "-- the second run exited with $status"
fi
# Our programs run from the Z: drive; any still running were left by a test.
left=$(ps -eo args= | grep '^Z:' || true)
[ -z "$left" ] || printf -- '-- still running after the suite (ended with the session):\n%s\n' "$left"
stop_wine_session
exit "$status"
