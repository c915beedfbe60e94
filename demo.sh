#!/usr/bin/env bash
# The demo: the stand-in editor opens with a Japanese text and starts the tool
# the way its Tools menu would: first to run the example converter on the
# text, then with /save to save it through the Save dialog. Screenshots go to
# build/demo/. Installs what is missing first.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

ensure_deps
choose_flavour
wine_environment
build_windows
start_wine_session
# Wine draws the caption buttons with the glyphs of its Marlett font, which it
# does not find in its own data folder here (the buttons then show the letters
# "0 1 r"): the prefix gets a copy in its Fonts folder.
FONTS=$WINEPREFIX/drive_c/windows/Fonts
[ -f "$FONTS/marlett.ttf" ] || { mkdir -p "$FONTS" && cp /usr/share/wine/fonts/marlett.ttf "$FONTS/"; }

DEMO=$BUILD/demo
mkdir -p "$DEMO"
BIN=$WIN_BUILD/bin
printf '%s\r\n' "Pelmarind のデモです。" "二行目" "三行目" | iconv -f UTF-8 -t CP932 > "$DEMO/text.txt"
printf '%s\r\n' "３．みかん　Ｍｉｋａｎ" "１．りんご　Ａｐｐｌｅ" "２．ぶどう　Ｇｒａｐｅ" |
    iconv -f UTF-8 -t CP932 > "$DEMO/fruit.txt"

# A screenshot of what a user would see: the Wine desktop (1024x768, at the
# top-left corner of the larger X screen), not the X screen around it.
screenshot() { import -window root -crop 1024x768+0+0 +repage "$1"; }

# Waits until a line of the stand-in editor's log matches, at most 60 s.
wait_for_log() {
    for _ in $(seq 600); do grep -qa "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
    echo "-- gave up waiting for '$2' in $1" >&2
    return 1
}

echo "== the external tool run: the stand-in editor starts the tool from its Tools menu path,"
echo "   which runs the example converter (full-width forms to ASCII, lines sorted) on the whole text"
rm -f "$DEMO/standin.log" "$DEMO/final.txt"
PELMARIND_WINE_TIMEOUT=120 "$WIN_BUILD/wine-run" "$BIN/standin_editor.exe" \
    "--text-file=$(winpath "$DEMO/fruit.txt")" "--log=$(winpath "$DEMO/standin.log")" \
    "--final=$(winpath "$DEMO/final.txt")" --linger-ms=2500 -- \
    "$(winpath "$BIN/pelmarind.exe")" "/app=$(winpath "$BIN/textconv.exe")" /halfwidth /sort /delay=2500 &
editor=$!
# While the converter runs, the editor is locked: titles prefixed, owner disabled.
wait_for_log "$DEMO/standin.log" "owner_enabled=0" && sleep 0.7
screenshot "$DEMO/locked.png"
wait_for_log "$DEMO/standin.log" "^after" && sleep 1
screenshot "$DEMO/converted.png"
wait $editor || true
echo "-- the stand-in editor's log:"
iconv -f CP932 -t UTF-8 "$DEMO/standin.log" || cat "$DEMO/standin.log"
echo "-- the text before:"
iconv -f CP932 -t UTF-8 "$DEMO/fruit.txt"
echo "-- the text after:"
iconv -f CP932 -t UTF-8 "$DEMO/final.txt"
printf '%s\r\n' "1.りんご Apple" "2.ぶどう Grape" "3.みかん Mikan" | iconv -f UTF-8 -t CP932 > "$DEMO/expected.txt"
if cmp -s "$DEMO/expected.txt" "$DEMO/final.txt"; then
    echo "-- the editor holds the converted text"
else
    echo "-- the editor's text is not the converted text" >&2
    exit 1
fi
echo "== screenshots: $DEMO/locked.png (while the converter runs), $DEMO/converted.png (after)"

echo "== a slow conversion, stopped: after a second the tool shows its running window over the editor;"
echo "   中止 ends the converter and leaves the editor's text as it was"
rm -f "$DEMO/standin-abort.log" "$DEMO/final-abort.txt" "$DEMO/ready" "$DEMO/go"
PELMARIND_WINE_TIMEOUT=120 "$WIN_BUILD/wine-run" "$BIN/standin_editor.exe" \
    "--text-file=$(winpath "$DEMO/fruit.txt")" "--log=$(winpath "$DEMO/standin-abort.log")" \
    "--final=$(winpath "$DEMO/final-abort.txt")" --linger-ms=1500 -- \
    "$(winpath "$BIN/pelmarind.exe")" "/app=$(winpath "$BIN/textconv.exe")" /sort /delay=60000 &
editor=$!
PELMARIND_WINE_TIMEOUT=120 "$WIN_BUILD/wine-run" "$BIN/running_window_driver.exe" \
    "$(winpath "$DEMO/ready")" "$(winpath "$DEMO/go")" &
driver=$!
for _ in $(seq 600); do [ -f "$DEMO/ready" ] && break; sleep 0.1; done
screenshot "$DEMO/running.png"
touch "$DEMO/go"
wait $driver || true
wait $editor || true
if cmp -s "$DEMO/fruit.txt" "$DEMO/final-abort.txt"; then
    echo "-- 中止 pressed: the converter was ended, and the editor's text is unchanged:"
    iconv -f CP932 -t UTF-8 "$DEMO/final-abort.txt"
else
    echo "-- after 中止 the editor's text differs from the text before" >&2
    exit 1
fi
echo "== screenshot: $DEMO/running.png (the running window, before 中止)"

echo "== a command typed at run time: the tool started with /ask shows its dialog over the editor; the user types"
echo "   'textconv /upper', turns the standard input and output off (a run through a temporary file) and runs it"
printf '%s\r\n' "Pelmarind のデモです。" "textconv /upper: hello, world" | iconv -f UTF-8 -t CP932 > "$DEMO/ask.txt"
# The history lives in the application-data folder of the Wine prefix's user
# (Wine sets APPDATA itself); the demo starts from none.
HISTORY_DIR=$(printf '%s\n' "$WINEPREFIX"/drive_c/users/*/AppData/Roaming | head -n 1)/Pelmarind
rm -rf "$HISTORY_DIR" "$DEMO/ready" "$DEMO/go" "$DEMO/final-ask.txt"
PELMARIND_WINE_TIMEOUT=120 "$WIN_BUILD/wine-run" "$BIN/standin_editor.exe" \
    "--text-file=$(winpath "$DEMO/ask.txt")" "--log=$(winpath "$DEMO/standin-ask.log")" \
    "--final=$(winpath "$DEMO/final-ask.txt")" -- "$(winpath "$BIN/pelmarind.exe")" /ask &
editor=$!
PELMARIND_WINE_TIMEOUT=120 "$WIN_BUILD/wine-run" "$BIN/ask_dialog_driver.exe" "textconv /upper" 0 \
    "$(winpath "$DEMO/ready")" "$(winpath "$DEMO/go")" &
driver=$!
for _ in $(seq 600); do [ -f "$DEMO/ready" ] && break; sleep 0.1; done
sleep 0.5
screenshot "$DEMO/ask.png"
touch "$DEMO/go"
wait $driver || true
wait $editor || true
echo "-- the text before:"
iconv -f CP932 -t UTF-8 "$DEMO/ask.txt"
echo "-- the text after:"
iconv -f CP932 -t UTF-8 "$DEMO/final-ask.txt"
printf '%s\r\n' "PELMARIND のデモです。" "TEXTCONV /UPPER: HELLO, WORLD" | iconv -f UTF-8 -t CP932 > "$DEMO/expected-ask.txt"
if cmp -s "$DEMO/expected-ask.txt" "$DEMO/final-ask.txt"; then
    echo "-- the editor holds the converted text"
else
    echo "-- the editor's text is not the converted text" >&2
    exit 1
fi
echo "-- the history kept for the next run (%APPDATA%\\Pelmarind\\history.txt, here $HISTORY_DIR/history.txt):"
iconv -f CP932 -t UTF-8 "$HISTORY_DIR/history.txt" | sed 's/\t/ <TAB> /; s/\r$//'
echo "== screenshot: $DEMO/ask.png (the ask dialog, the command typed)"

echo "== the result shown first: the tool started with /out=show runs the example converter as a filter and"
echo "   shows its result in a window over the editor; 置き換える puts it in place of the text"
rm -f "$DEMO/ready" "$DEMO/go" "$DEMO/final-show.txt"
PELMARIND_WINE_TIMEOUT=120 "$WIN_BUILD/wine-run" "$BIN/standin_editor.exe" \
    "--text-file=$(winpath "$DEMO/fruit.txt")" "--log=$(winpath "$DEMO/standin-show.log")" \
    "--final=$(winpath "$DEMO/final-show.txt")" -- \
    "$(winpath "$BIN/pelmarind.exe")" "/app=$(winpath "$BIN/textconv.exe") /stdio /halfwidth /sort" /io=pipe /out=show &
editor=$!
# (3005: the window's 置き換える button.)
PELMARIND_WINE_TIMEOUT=120 "$WIN_BUILD/wine-run" "$BIN/result_window_driver.exe" 3005 \
    "$(winpath "$DEMO/ready")" "$(winpath "$DEMO/go")" &
driver=$!
for _ in $(seq 600); do [ -f "$DEMO/ready" ] && break; sleep 0.1; done
sleep 0.5
screenshot "$DEMO/result-window.png"
touch "$DEMO/go"
wait $driver || true
wait $editor || true
if cmp -s "$DEMO/expected.txt" "$DEMO/final-show.txt"; then
    echo "-- 置き換える pressed: the editor holds the converted text"
else
    echo "-- after 置き換える the editor's text is not the converted text" >&2
    exit 1
fi
echo "== screenshot: $DEMO/result-window.png (the result window over the editor)"

echo "== the Save job: the tool started with /save shows its Save dialog over the editor, with the"
echo "   文字コード and 改行 lists below the file types (their defaults save the text's bytes as they are)"
printf '%s\r\n' "[Option]" "AutoFileName=1" "DefDirOn=1" "DefDir=$(winpath "$DEMO")" > "$DEMO/host.ini"
rm -f "$DEMO/ready" "$DEMO/go" "$DEMO/saved.txt"
PELMARIND_WINE_TIMEOUT=120 "$WIN_BUILD/wine-run" "$BIN/standin_editor.exe" \
    "--text-file=$(winpath "$DEMO/text.txt")" "--ini=$(winpath "$DEMO/host.ini")" \
    "--log=$(winpath "$DEMO/standin-save.log")" -- "$(winpath "$BIN/pelmarind.exe")" /save &
editor=$!
# The user's part: look at the dialog as it opened (the proposed folder and
# name), then type a name of their own in the proposed folder and confirm.
PELMARIND_WINE_TIMEOUT=120 "$WIN_BUILD/wine-run" "$BIN/save_dialog_driver.exe" saved.txt \
    "$(winpath "$DEMO/ready")" "$(winpath "$DEMO/go")" &
driver=$!
for _ in $(seq 600); do [ -f "$DEMO/ready" ] && break; sleep 0.1; done
sleep 0.5
screenshot "$DEMO/save-dialog.png"
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
echo "== screenshot: $DEMO/save-dialog.png (the dialog as it opened, with its 文字コード and 改行 lists)"
