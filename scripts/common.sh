# Shared by test.sh, demo.sh, bench.sh and fuzz.sh: installing what is missing,
# building, and the Wine session (private prefix, code page 932, headless
# display). Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${PELMARIND_BUILD:-$ROOT/build}
WIN_BUILD=$BUILD/win32
JOBS=$(nproc)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# Debian 12 packages, installed only when missing.
ensure_deps() {
    local packages=(wine wine32:i386 wine64 xvfb xauth g++-mingw-w64-i686-posix cmake googletest g++ make
                    clang libclang-rt-14-dev imagemagick locales fonts-ipafont-gothic fonts-wine timeout)
    local missing=() p
    for p in "${packages[@]}"; do
        [ "$p" = timeout ] && continue
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

# Everything that runs Wine sees these.
wine_environment() {
    export WINEPREFIX=$BUILD/wine-prefix
    export WINEARCH=win32
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

build_win32() {
    if [ ! -f "$WIN_BUILD/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$WIN_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
              -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
    cmake --build "$WIN_BUILD" -j "$JOBS"
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

# The private prefix, made once: 32-bit, a virtual desktop (hiding a captioned
# window otherwise blocks two seconds), no crash dialog.
ensure_prefix() {
    [ -f "$WINEPREFIX/.pelmarind-ready" ] && return 0
    echo "== creating the Wine prefix"
    rm -rf "$WINEPREFIX"
    timeout 300 wineboot --init >/dev/null 2>&1
    timeout 120 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    timeout 120 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    timeout 120 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
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
    timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
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
