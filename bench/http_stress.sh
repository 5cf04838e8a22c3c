#!/usr/bin/env bash
# The HTTP component's stress test at a large size: CYCLES requests (default 10000) aborted or
# replaced at random moments against the loopback server, under Wine. Prints the test's figures
# (time per request, completions, handle and thread counts) and its verdict.
#   bench/http_stress.sh [CYCLES] [WINDOWS_BUILD_DIR]
# QV_HTTP_STRESS_SEED repeats a run; without DISPLAY a private Xvfb is started.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cycles=${1:-10000}
build=${2:-$root/build/windows}
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 140 180); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    sleep 1
fi
# The CTest fixture starts and stops the loopback servers around the test.
QV_HTTP_STRESS_CYCLES=$cycles ctest --test-dir "$build" -j1 --timeout $((cycles / 5 + 600)) --output-on-failure -V \
    -R '^(test_servers_start|test_servers_stop|AdvHttpStress\..*)$' </dev/null |
    grep -E 'cycles [0-9]+, seed|requests in|completions|Failure|request [0-9]+ \(|HANG|tests passed|tests failed'
