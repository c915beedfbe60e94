#!/usr/bin/env bash
# Runs one command inside a Wine session (headless display, private prefix,
# code page 932, warm wineserver) of this machine's flavour (or the one
# PELMARIND_FLAVOUR forces), for example:
#   scripts/wine-session.sh ctest --test-dir build/win32 -R TextExchange
#   PELMARIND_FLAVOUR=win64 scripts/wine-session.sh ctest --test-dir build/win64
set -euo pipefail
source "$(dirname "$0")/common.sh"
start_wine_session
"$@"
