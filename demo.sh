#!/usr/bin/env bash
# The demo: the stand-in editor opens with a Japanese text and starts the tool
# from its Tools menu path; screenshots go to build/demo/. Installs what is
# missing first.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

ensure_deps
wine_environment
build_win32
start_wine_session

DEMO=$BUILD/demo
mkdir -p "$DEMO"
BIN=$WIN_BUILD/bin
printf '%s\r\n' "Pelmarind のデモです。" "二行目" "三行目" | iconv -f UTF-8 -t CP932 > "$DEMO/text.txt"

echo "== the stand-in editor starts the tool from its Tools menu"
PELMARIND_WINE_TIMEOUT=120 "$WIN_BUILD/wine-run" "$BIN/standin_editor.exe" \
    "--text-file=$(winpath "$DEMO/text.txt")" "--log=$(winpath "$DEMO/standin.log")" \
    "--final=$(winpath "$DEMO/final.txt")" -- "$(winpath "$BIN/pelmarind.exe")" &
editor=$!
sleep 3
import -window root "$DEMO/editor.png"
wait $editor || true
echo "-- the stand-in editor's log:"
iconv -f CP932 -t UTF-8 "$DEMO/standin.log" || cat "$DEMO/standin.log"
echo "== screenshot: $DEMO/editor.png"
