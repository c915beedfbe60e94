#!/usr/bin/env bash
# Builds the shipped 32-bit programs and the release archive
# build/dist/pelmarind-VERSION-win32.zip: pelmarind.exe, textconv.exe and the
# guide as guide.txt (plain text made from docs/guide.md by
# scripts/guide-text.pl). Checks what it holds and prints its sha256.
#   --check  builds twice from nothing, in two different folders, and checks
#            that both give the same bytes (programs and archive).
set -euo pipefail
source "$(dirname "$0")/common.sh"
ensure_deps zip unzip

DIST=$BUILD/dist
# Every entry gets this one time: an archive made today and one made next year
# from the same commit are the same bytes.
FIXED_TIME=200001010000

# Builds the two programs in the given folder; prints the project's version.
build_programs() {
    [ -f "$1/CMakeCache.txt" ] ||
        cmake -S "$ROOT" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$1" -j "$JOBS" --target pelmarind textconv >/dev/null
    sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"
}

# Writes the archive of the programs built in folder $1, version $3, to $2.
make_archive() {
    local stage=$1/stage
    rm -rf "$stage" "$2"
    mkdir -p "$stage" "$(dirname "$2")"
    cp "$1/bin/pelmarind.exe" "$1/bin/textconv.exe" "$stage/"
    perl "$ROOT/scripts/guide-text.pl" "$3" "$ROOT/docs/guide.md" "$stage/guide.txt"
    TZ=UTC touch -t "$FIXED_TIME" "$stage"/*
    (cd "$stage" && TZ=UTC zip -q -X -D "$2" pelmarind.exe textconv.exe guide.txt)
}

# What a user unpacks: exactly the three files, both programs 32-bit Windows
# GUI programs, the guide readable text.
check_archive() {
    local out names
    out=$(mktemp -d)
    trap 'rm -rf "$out"' RETURN
    names=$(unzip -Z1 "$1" | tr '\n' ' ')
    [ "$names" = "pelmarind.exe textconv.exe guide.txt " ] || { echo "-- unexpected entries: $names" >&2; return 1; }
    unzip -q "$1" -d "$out"
    local exe headers
    for exe in pelmarind.exe textconv.exe; do
        headers=$(LC_ALL=C i686-w64-mingw32-objdump -p "$out/$exe")  # (English headings whatever the locale)
        grep -q 'file format pei-i386' <<<"$headers" || { echo "-- $exe is not a 32-bit Windows program" >&2; return 1; }
        grep -q '^Subsystem.*(Windows GUI)' <<<"$headers" || { echo "-- $exe is not a GUI-subsystem program" >&2; return 1; }
    done
    head -c 3 "$out/guide.txt" | cmp -s - <(printf '\xef\xbb\xbf') || { echo "-- guide.txt has no byte-order mark" >&2; return 1; }
    iconv -f UTF-8 -t UTF-8 "$out/guide.txt" >/dev/null || { echo "-- guide.txt is not UTF-8" >&2; return 1; }
    if grep -q $'[^\r]$' "$out/guide.txt"; then echo "-- guide.txt has a line without CR LF" >&2; return 1; fi
    if grep -q '@VERSION@' "$out/guide.txt"; then echo "-- guide.txt does not name the version" >&2; return 1; fi
    # Read in Notepad: no Markdown marks (code spans, bold, table rows and rules, headings, fences).
    if grep -nE '`|\*\*|^ *\||^#' "$out/guide.txt" >&2; then echo "-- guide.txt holds Markdown" >&2; return 1; fi
    # Notepad shows what fits: no line wider than 80 columns (a wide
    # character counts two) but a table's row (columns apart by two blanks).
    if perl -CSD -ne 'use utf8; s/^\x{FEFF}//; s/\r?\n$//; my $w = 0;
            $w += /\p{East_Asian_Width=Wide}|\p{East_Asian_Width=Fullwidth}|\p{East_Asian_Width=Ambiguous}/ ? 2 : 1 for split //;
            if ($w > 80 && !/\S {2,}\S/) { print STDERR "$.: $_\n"; $bad = 1 } END { exit($bad ? 0 : 1) }' "$out/guide.txt"; then
        echo "-- guide.txt has a line wider than 80 columns outside a table" >&2
        return 1
    fi
    echo "-- $(basename "$1"): pelmarind.exe and textconv.exe (PE32, i386, GUI), guide.txt"
}

if [ "${1:-}" = --check ]; then
    started=$SECONDS
    for side in a b/elsewhere; do rm -rf "$BUILD/package-check/$side"; done
    version=$(build_programs "$BUILD/package-check/a")
    build_programs "$BUILD/package-check/b/elsewhere" >/dev/null
    zip_name=pelmarind-$version-win32.zip
    for side in a b/elsewhere; do
        make_archive "$BUILD/package-check/$side" "$BUILD/package-check/$side/$zip_name" "$version"
    done
    check_archive "$BUILD/package-check/a/$zip_name"
    for file in bin/pelmarind.exe bin/textconv.exe "$zip_name"; do
        if ! cmp -s "$BUILD/package-check/a/$file" "$BUILD/package-check/b/elsewhere/$file"; then
            echo "-- two builds give different bytes: $file" >&2
            exit 1
        fi
        echo "-- identical in both builds: $(sha256sum "$BUILD/package-check/a/$file" | cut -d' ' -f1)  $(basename "$file")"
    done
    echo "-- two clean builds compared in $((SECONDS - started)) s"
else
    version=$(build_programs "$BUILD/package")
    archive=$DIST/pelmarind-$version-win32.zip
    make_archive "$BUILD/package" "$archive" "$version"
    check_archive "$archive"
    sha256sum "$archive"
fi
