#!/usr/bin/env bash
# Throughput of a 20 MB body over loopback: TAdvHttp under Wine beside curl, both fetching the
# same body from the same test server in the same run. Prints both figures and their ratio.
#   bench/http_download.sh [WINDOWS_BUILD_DIR] [RUNS]
# QV_BENCH_NO_BUILD=1 runs the http_bench.exe already in the build folder without building it.   (QV_BENCH_NO_BUILD=1: use the built program as it is)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/windows}
runs=${2:-5}
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

[ -n "${QV_BENCH_NO_BUILD:-}" ] || cmake --build "$build" --target http_bench >/dev/null
state=$(mktemp -d)
xvfb_pid=
cleanup() {
    python3 "$root/tests/servers/http_server.py" stop --state-dir "$state" >/dev/null 2>&1 || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$state"
}
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
python3 "$root/tests/servers/http_server.py" start --state-dir "$state" >/dev/null
port=$(sed -n 's/^http=//p' "$state/ports.txt")
url="http://127.0.0.1:$port/big/bench?mb=20"

curl_best=0
for _ in $(seq "$runs"); do
    speed=$(curl -s -o /dev/null -w '%{speed_download}' "$url")
    curl_best=$(python3 -c "print(max($curl_best, $speed / 1048576))")
done
adv=$(wine "$build/http_bench.exe" "$url" "$runs" </dev/null 2>/dev/null | tr -d '\r')
echo "$adv"
adv_best=$(echo "$adv" | sed -n 's/^best: \([0-9.]*\) MB\/s$/\1/p')
[ -n "$adv_best" ] || { echo "TAdvHttp run failed"; exit 1; }
printf 'curl best: %.1f MB/s\nTAdvHttp best: %.1f MB/s\nratio TAdvHttp/curl: %.2f\n' \
    "$curl_best" "$adv_best" "$(python3 -c "print($adv_best / $curl_best)")"
