# Shared by scripts/test and scripts/run.
export WINEPREFIX=$root/build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Runs scripts/setup (with its arguments) as root, or says why it cannot.
run_setup() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "scripts/setup must run as root to install what is missing" >&2
        return 1
    fi
    "$root/scripts/setup" "$@"
}

# Debian's packages, enough for the host tree.
ensure_packages() {
    local tool
    for tool in x86_64-w64-mingw32-g++-posix wine wineserver Xvfb cmake g++ convert tinyproxy; do
        command -v "$tool" >/dev/null 2>&1 || { run_setup packages; return; }
    done
    [ -f /usr/x86_64-w64-mingw32/lib/libz.a ] && [ -f /usr/include/zlib.h ] || run_setup packages
}

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
    [ -f /usr/share/fonts/truetype/vlgothic/VL-PGothic-Regular.ttf ] || need=1
    grep -q 'Serif"=str(7):"LiberationSans-Regular.ttf,Liberation Sans' "$WINEPREFIX/system.reg" 2>/dev/null || need=1
    [ $need -eq 0 ] || run_setup
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

# Starts Xvfb on a display number it picks itself (no race with other servers starting at the same
# time) and prints that number once the display takes clients; its streams go to the log file.
# The Xvfb's process id is left in QV_LAST_XVFB_PID (so call it without a subshell).
start_xvfb() {
    local log=$1 numfile
    numfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numfile" </dev/null >"$log" 2>&1 &
    QV_LAST_XVFB_PID=$!
    local n=""
    for _ in $(seq 1 300); do
        read -r n <"$numfile" 2>/dev/null && [ -n "$n" ] && break
        kill -0 "$QV_LAST_XVFB_PID" 2>/dev/null || break
        sleep 0.05
    done
    rm -f "$numfile"
    [ -n "$n" ] || { echo "Xvfb did not start (see $log)" >&2; return 1; }
    QV_LAST_DISPLAY=$n
}

# One Xvfb and one wineserver for everything that follows; their standard streams go to files
# so that no pipe of the caller stays open behind Wine's services.
start_display_and_wine() {
    start_xvfb "$root/build/logs/xvfb.log" || return 1
    QV_XVFB_PID=$QV_LAST_XVFB_PID
    export DISPLAY=":$QV_LAST_DISPLAY"
    rm -f "$WINEPREFIX/.qv-dpi"
    wineserver -p </dev/null >"$root/build/logs/wineserver.log" 2>&1 &
    wine cmd /c exit </dev/null >"$root/build/logs/wine-warmup.log" 2>&1 || true
    # QV_DPI (96 without it) is the display scale of everything that runs from here on.
    "$root/cmake/wine-dpi" "${QV_DPI:-96}"
}

stop_display_and_wine() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    [ -n "${QV_XVFB_PID:-}" ] && kill "$QV_XVFB_PID" 2>/dev/null
    wait 2>/dev/null || true
}

# ---- Test shards: the Windows tests run side by side in shards, each with an X display, a copy
# of the set-up Wine prefix and a wineserver of its own, so that no two tests ever share a
# desktop, a tray, a clipboard, a focus or a keyboard. CTest hands each test a shard through its
# resource allocation (the resource file below); cmake/wine-shard turns that into DISPLAY and
# WINEPREFIX.
QV_SHARDS_DIR=${QV_SHARDS_DIR:-$root/build/shards}
export QV_SHARDS_DIR

# How many shards: QV_TEST_SHARDS if set, else two more than the machine has cores. The tests
# mostly wait on Wine and the window system, not on a core: measured on 2 cores, 4 shards ran the
# Windows tests in about half the time of 2 (docs/performance.md).
shard_count() {
    if [ -n "${QV_TEST_SHARDS:-}" ]; then
        echo "$QV_TEST_SHARDS"
    else
        echo $(($(nproc) + 2))
    fi
}

# The shard's prefix is copied once from the set-up prefix and kept while that prefix is the same:
# Wine stamps a prefix it updates in .update-timestamp, and a change of its registry (scripts/setup's
# font links, say) shows in the registry files' times and sizes. No window manager runs on a shard's
# display, so the copy tells Wine not to wait for one: its managed windows wait up to 2 s for a
# window manager whenever they are shown or hidden (Wine's own explorer too, which takes 2 s to
# drop a tray icon then). The setting is in the copy's registry before any of its Wine processes
# starts; the set-up prefix keeps Wine's default for scripts/run on a real desktop.
copy_shard_prefix() {
    local dir=$QV_SHARDS_DIR/$1
    local stamp
    stamp="$(cat "$WINEPREFIX/.update-timestamp" 2>/dev/null) $(stat -c '%s:%Y' "$WINEPREFIX/system.reg" \
        "$WINEPREFIX/user.reg" "$WINEPREFIX/userdef.reg" 2>/dev/null | tr '\n' ' ')unmanaged"
    if [ -f "$dir/wineprefix/system.reg" ] && [ "$(cat "$dir/prefix-stamp" 2>/dev/null)" = "$stamp" ]; then
        return 0
    fi
    rm -rf "$dir/wineprefix" "$dir/wineprefix.new"
    mkdir -p "$dir"
    cp -a "$WINEPREFIX" "$dir/wineprefix.new" &&
        printf '\n[Software\\\\Wine\\\\X11 Driver] %s\n"Managed"="N"\n' "$(date +%s)" \
            >>"$dir/wineprefix.new/user.reg" &&
        mv "$dir/wineprefix.new" "$dir/wineprefix" && echo "$stamp" >"$dir/prefix-stamp"
}

# Starts shards 0 .. count-1 and writes CTest's resource file, $QV_SHARDS_DIR/resources.json.
# The caller's DISPLAY and WINEPREFIX become shard 0's, for what runs outside a shard (CTest's
# discovery of the GoogleTest cases). With a second argument, qvdrive.exe, each shard's desktop
# is held open for the whole run ("qvdrive hold"): Wine would otherwise close it, and end its
# explorer process, between two tests, and start it again for the next.
start_shards() {
    local count=$1 holder=${2:-} i ids=""
    mkdir -p "$QV_SHARDS_DIR"
    rm -f "$QV_SHARDS_DIR"/*/display
    QV_SHARD_XVFB_PIDS=()
    for ((i = 0; i < count; i++)); do
        local dir=$QV_SHARDS_DIR/$i
        copy_shard_prefix "$i" || { echo "could not copy the Wine prefix for shard $i" >&2; return 1; }
        start_xvfb "$dir/xvfb.log" || return 1
        QV_SHARD_XVFB_PIDS+=("$QV_LAST_XVFB_PID")
        echo "$QV_LAST_DISPLAY" >"$dir/display"
        ids+="${ids:+,}{\"id\": \"$i\", \"slots\": 1}"
    done
    # The wineservers, Wine's services and the shards' loopback servers start side by side. Each
    # shard has servers of its own, so that a test can count every request the server saw while
    # it ran; they end with this script at the latest.
    local warmups=()
    for ((i = 0; i < count; i++)); do
        (
            dir=$QV_SHARDS_DIR/$i
            export WINEPREFIX=$dir/wineprefix DISPLAY=":$(cat "$dir/display")"
            # The scale noted in the prefix is that of its last run's registry, which may not have
            # been saved (cmake/wine-dpi sets it again before the first test).
            rm -f "$WINEPREFIX/.qv-dpi"
            wineserver -p </dev/null >"$dir/wineserver.log" 2>&1 &
            python3 "$root/tests/servers/http_server.py" start --state-dir "$dir/servers" --watch-pid $$ \
                </dev/null >"$dir/servers.log" 2>&1 || { cat "$dir/servers.log" >&2; exit 1; }
            wine cmd /c exit </dev/null >"$dir/wine-warmup.log" 2>&1 || true
            "$root/cmake/wine-dpi" 96 </dev/null >>"$dir/wine-warmup.log" 2>&1 || exit 1
            if [ -n "$holder" ]; then
                wine "$holder" hold </dev/null >"$dir/hold.log" 2>&1 &
            fi
        ) &
        warmups+=($!)
    done
    local job failed=0
    for job in "${warmups[@]}"; do
        wait "$job" || failed=1
    done
    [ $failed -eq 0 ] || return 1
    printf '{"version": {"major": 1, "minor": 0}, "local": [{"wine": [%s]}]}\n' "$ids" \
        >"$QV_SHARDS_DIR/resources.json"
    export WINEPREFIX=$QV_SHARDS_DIR/0/wineprefix DISPLAY=":$(cat "$QV_SHARDS_DIR/0/display")"
}

stop_shards() {
    local dir
    for dir in "$QV_SHARDS_DIR"/*/; do
        [ -f "$dir/display" ] || continue
        WINEPREFIX=${dir%/}/wineprefix wineserver -k </dev/null >/dev/null 2>&1 || true
        python3 "$root/tests/servers/http_server.py" stop --state-dir "${dir%/}/servers" </dev/null >/dev/null 2>&1
        rm -f "$dir/display"
    done
    local pid
    for pid in ${QV_SHARD_XVFB_PIDS[@]+"${QV_SHARD_XVFB_PIDS[@]}"}; do
        kill "$pid" 2>/dev/null
    done
    wait 2>/dev/null || true
}
