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

echo "== the Save job: the tool started with /save shows its Save dialog over the editor"
printf '%s\r\n' "[Option]" "AutoFileName=1" "DefDirOn=1" "DefDir=$(winpath "$DEMO")" > "$DEMO/host.ini"
rm -f "$DEMO/ready" "$DEMO/go" "$DEMO/saved.txt"
PELMARIND_WINE_TIMEOUT=120 "$WIN_BUILD/wine-run" "$BIN/standin_editor.exe" \
    "--text-file=$(winpath "$DEMO/text.txt")" "--ini=$(winpath "$DEMO/host.ini")" \
    "--log=$(winpath "$DEMO/standin-save.log")" -- "$(winpath "$BIN/pelmarind.exe")" /save &
editor=$!
# The user's part: keep the proposed folder, type a name, confirm.
PELMARIND_WINE_TIMEOUT=120 "$WIN_BUILD/wine-run" "$BIN/save_dialog_driver.exe" saved.txt \
    "$(winpath "$DEMO/ready")" "$(winpath "$DEMO/go")" &
driver=$!
for _ in $(seq 600); do [ -f "$DEMO/ready" ] && break; sleep 0.1; done
sleep 0.5
import -window root "$DEMO/save-dialog.png"
touch "$DEMO/go"
wait $driver || true
wait $editor || true
echo "-- the stand-in editor's log:"
iconv -f CP932 -t UTF-8 "$DEMO/standin-save.log" || cat "$DEMO/standin-save.log"
if cmp -s "$DEMO/text.txt" "$DEMO/saved.txt"; then
    echo "-- saved.txt holds exactly the editor's text"
else
    echo "-- saved.txt differs from the editor's text" >&2
    exit 1
fi
echo "== screenshot: $DEMO/save-dialog.png"
