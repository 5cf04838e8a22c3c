# Shared by scripts/test and scripts/run.
export WINEPREFIX=$root/build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

ensure_setup() {
    local need=0
    for tool in x86_64-w64-mingw32-g++-posix wine wineserver Xvfb cmake convert tinyproxy; do
        command -v "$tool" >/dev/null 2>&1 || need=1
    done
    [ -f "$root/build/deps/mingw/lib/libgtest.a" ] || need=1
    [ -f /usr/x86_64-w64-mingw32/lib/libz.a ] && [ -f /usr/include/zlib.h ] || need=1
    [ -f "$root/build/deps/mingw/lib/libjpeg.a" ] || need=1
    [ -f "$WINEPREFIX/system.reg" ] || need=1
    [ -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ] || need=1
    if [ $need -eq 1 ]; then
        if [ "$(id -u)" -ne 0 ]; then
            echo "scripts/setup must run as root to install what is missing" >&2
            return 1
        fi
        "$root/scripts/setup" || return 1
    fi
}

configure_and_build() {
    local preset=$1
    mkdir -p "$root/build/logs"
    if [ ! -f "$root/build/$preset/CMakeCache.txt" ]; then
        cmake --preset "$preset" >"$root/build/logs/configure-$preset.log" 2>&1 ||
            { cat "$root/build/logs/configure-$preset.log"; return 1; }
    fi
    cmake --build --preset "$preset" -j"$(nproc)" >"$root/build/logs/build-$preset.log" 2>&1 ||
        { tail -n 60 "$root/build/logs/build-$preset.log"; return 1; }
}

# One Xvfb and one wineserver for everything that follows; their standard streams go to files
# so that no pipe of the caller stays open behind Wine's services.
start_display_and_wine() {
    local n
    for n in $(seq 91 130); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >"$root/build/logs/xvfb.log" 2>&1 &
    QV_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.1
    done
    wineserver -p </dev/null >"$root/build/logs/wineserver.log" 2>&1 &
    wine cmd /c exit </dev/null >"$root/build/logs/wine-warmup.log" 2>&1 || true
    # The display-scale tests set the prefix's DPI for their own run and put 96 back; a run that
    # was killed in between leaves it behind, so every run starts from 96.
    set_prefix_dpi 96
}

# Wine reads the DPI from the prefix whenever a process starts.
set_prefix_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
        </dev/null >>"$root/build/logs/wine-warmup.log" 2>&1 || true
}

stop_display_and_wine() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    [ -n "${QV_XVFB_PID:-}" ] && kill "$QV_XVFB_PID" 2>/dev/null
    wait 2>/dev/null || true
}
