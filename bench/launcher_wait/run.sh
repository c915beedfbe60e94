#!/usr/bin/env bash
# Runs the launcher-wait benchmark in a Wine session: both modes with a child
# of CHILD_MS (default 3000) ms, then each mode's idle wait alone with the
# processor time that the wineserver spent on it (every wait of a Windows
# program under Wine is a request to the wineserver, so a poll costs there
# too; a run with a child of 0 ms gives the cost of starting, subtracted).
# Usage: bench/launcher_wait/run.sh [CHILD_MS]
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
choose_flavour
wine_environment
build_windows >/dev/null
start_wine_session
bench() { "$WIN_BUILD/wine-run" "$WIN_BUILD/bin/bench_launcher_wait.exe" "$@" | tr -d '\r'; }
child_ms=${1:-3000}
ticks=$(getconf CLK_TCK)

# The wineserver of this prefix (other sessions on the machine have their own).
server_ms() {
    local pid
    for pid in $(pgrep -u "$(id -u)" wineserver); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            awk -v hz="$ticks" '{ print int(1000 * ($14 + $15) / hz) }' "/proc/$pid/stat"
            return
        fi
    done
    echo 0
}
server_cost() {  # the wineserver's milliseconds for one run of the benchmark
    local before after
    before=$(server_ms)
    bench "$@" >/dev/null
    after=$(server_ms)
    echo $((after - before))
}

bench "" "$child_ms"
for round in 1 2 3; do
    base=$(server_cost wait 0 idle)
    for mode in wait poll; do
        cost=$(server_cost "$mode" "$child_ms" idle)
        echo "$mode wineserver processor for one idle wait of $child_ms ms: $((cost - base)) ms (start-up $base ms)"
    done
done
