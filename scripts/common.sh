# Shared by test.sh, demo.sh, bench.sh and fuzz.sh: installing what is missing,
# building, and the Wine session (private prefix, code page 932, headless
# display). Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${PELMARIND_BUILD:-$ROOT/build}
# The 32-bit build: the shipped program, built in every flavour.
PE32_BUILD=$BUILD/win32
JOBS=$(nproc)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# Debian 12 packages, installed only when missing (given more as arguments).
ensure_deps() {
    local packages=(wine wine32:i386 wine64 xvfb xauth g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix cmake
                    googletest g++ make clang libclang-rt-14-dev imagemagick locales fonts-ipafont-gothic
                    fonts-wine perl "$@")
    local missing=() p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
        missing+=(wine32:i386)
    fi
    if [ ${#missing[@]} -gt 0 ]; then
        echo "== installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# The flavour of the Windows tests, found once per command (or forced with
# PELMARIND_FLAVOUR=win32|win64):
#   win32  the 32-bit build under Wine's 32-bit loader, on machines that run
#          32-bit x86 code;
#   win64  the same sources built for x86-64, under wine64, on machines that
#          run none (the 32-bit build is still built, and run elsewhere).
# Sets FLAVOUR and WIN_BUILD, the build whose programs run here.
choose_flavour() {
    local why
    if [ -n "${PELMARIND_FLAVOUR:-}" ]; then
        case $PELMARIND_FLAVOUR in
            win32 | win64) FLAVOUR=$PELMARIND_FLAVOUR why="forced by PELMARIND_FLAVOUR" ;;
            *) echo "PELMARIND_FLAVOUR must be win32 or win64, not '$PELMARIND_FLAVOUR'" >&2; return 1 ;;
        esac
    elif why=$(/usr/lib/wine/wine --version 2>&1); then
        FLAVOUR=win32 why="this machine runs 32-bit x86 code: Wine's 32-bit loader starts ($why)"
    else
        FLAVOUR=win64
        why="this machine runs no 32-bit x86 code: Wine's 32-bit loader does not start (${why:-no output})"
    fi
    WIN_BUILD=$BUILD/$FLAVOUR
    export PELMARIND_FLAVOUR=$FLAVOUR
    echo "== flavour: $FLAVOUR ($why)"
}

# Everything that runs Wine sees these. WINE is the loader for this
# flavour's programs: Debian's wine command picks the 32-bit loader whenever
# it is installed, so the 64-bit one is named.
wine_environment() {
    [ -n "${FLAVOUR:-}" ] || choose_flavour
    if [ "$FLAVOUR" = win64 ]; then
        export WINEPREFIX=${PELMARIND_WINE_PREFIX:-$BUILD/wine-prefix64} WINEARCH=win64
        export WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64
    else
        export WINEPREFIX=${PELMARIND_WINE_PREFIX:-$BUILD/wine-prefix} WINEARCH=win32 WINE=wine
        unset WINELOADER
    fi
    export WINEDEBUG=-all
    export LOCPATH=$BUILD/locale
    # (bash itself cannot take the locale from LOCPATH; its warning is noise.)
    { export LC_ALL=ja_JP.UTF-8; } 2>/dev/null
    export TZ=${TZ:-UTC}
    if [ ! -d "$LOCPATH/ja_JP.UTF-8" ]; then
        mkdir -p "$LOCPATH"
        localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" || true
    fi
}

# One Windows build: its folder and the toolchain file's target.
build_windows_tree() {
    if [ ! -f "$1/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$2.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
    cmake --build "$1" -j "$JOBS"
}

# The 32-bit build always (it is what ships), and the x86-64 one for the win64
# flavour's tests.
build_windows() {
    build_windows_tree "$PE32_BUILD" i686
    [ "$FLAVOUR" = win32 ] || build_windows_tree "$WIN_BUILD" x86_64
}

XVFB_PID=
start_display() {
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
    echo "Xvfb did not start" >&2
    return 1
}

# The private prefix, made once: of the flavour's width, a virtual desktop (hiding a captioned
# window otherwise blocks two seconds), no crash dialog.
ensure_prefix() {
    [ -f "$WINEPREFIX/.pelmarind-ready" ] && return 0
    echo "== creating the Wine prefix"
    rm -rf "$WINEPREFIX"
    timeout 300 "$WINE" wineboot --init >/dev/null 2>&1
    timeout 120 "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    timeout 120 "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    timeout 120 "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    timeout 120 wineserver -w
    touch "$WINEPREFIX/.pelmarind-ready"
}

# A display, the prefix and a warm wineserver whose helpers do not hold the
# caller's output open (else every test waits for them).
start_wine_session() {
    wine_environment
    start_display
    ensure_prefix
    wineserver -p </dev/null >/dev/null 2>&1
    timeout 120 "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
    trap stop_wine_session EXIT
}

stop_wine_session() {
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    timeout 30 wineserver -w >/dev/null 2>&1 || true
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
    XVFB_PID=
}

# Windows path of a Linux path, through Wine's Z: drive.
winpath() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }
