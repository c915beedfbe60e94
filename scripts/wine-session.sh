#!/usr/bin/env bash
# Runs one command inside a Wine session (headless display, private prefix,
# code page 932, warm wineserver), for example:
#   scripts/wine-session.sh ctest --test-dir build/win32 -R TextExchange
set -euo pipefail
source "$(dirname "$0")/common.sh"
start_wine_session
"$@"
