#!/bin/bash
# The benchmark: Kalvero.exe against bare_window.exe, the least that shows a window of its shape
# (bench/bare_window.cpp), both built the same way and measured in one run, interleaved, under
# Wine (Xvfb, a throwaway prefix, a warm wineserver). It prints the start-up time and its ratio
# per round, private memory, working set and the close time, then, from trace builds of both,
# the start-up work each does itself: from the process's creation to the first paint (or to
# the tray icon) and from wWinMain on, which leaves Wine's making of the process out.
#
#   bench/run.sh [--runs N]     (default 20 rounds; 5 give a quick look)
#
# Set KALVERO_BENCH_NO_BUILD=1 to measure what build/windows-x64 holds. Give it its own
# KALVERO_TEST_ROOT and DISPLAY when others use Wine on the machine. It judges nothing: the
# exit code is 0 whenever it could measure.
set -u
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$repo/build/windows-x64"
started=$(date +%s.%N)

if [ -z "${KALVERO_BENCH_NO_BUILD:-}" ]; then
    echo "Building the windows-x64 preset's target bench ..."
    log=$(mktemp)
    if ! (cd "$repo" && { [ -f "$build/CMakeCache.txt" ] || cmake --preset windows-x64; } &&
        cmake --build --preset windows-x64 --target bench) >"$log" 2>&1; then
        tail -n 40 "$log" && echo "bench: the build failed (full log: $log)" >&2 && exit 1
    fi
    rm -f "$log"
fi

# Copies are measured: a rebuild during the run must not swap an exe mid-way.
work=$(mktemp -d) bench_prefix=
cleanup() {
    [ -n "$bench_prefix" ] && kalvero_wine_stop "$bench_prefix" && [ -f "$bench_prefix/.kalvero-prefix" ] &&
        rm -rf "$bench_prefix"
    rm -rf "$work"
}
trap cleanup EXIT
for f in Kalvero.exe bench/bare_window.exe bench/bare_window_trace.exe bench/kalvero_trace.exe \
    bench/bench_startup.exe tests/wine/keepalive.exe; do
    cp "$build/$f" "$work/" || { echo "bench: $build/$f is missing" >&2 && exit 1; }
done
printf '\nSize: bare_window.exe %d bytes, Kalvero.exe %d bytes\n\n' \
    "$(stat -c %s "$work/bare_window.exe")" "$(stat -c %s "$work/Kalvero.exe")"

. "$repo/scripts/wine-env.sh"
export WINEPREFIX="$KALVERO_TEST_ROOT/bench-$$"
bench_prefix="$WINEPREFIX"
kalvero_xvfb_start && kalvero_prefix_new && kalvero_keepalive_start "$work/keepalive.exe" || exit 1
w() { local p="Z:$work/$1"; echo "${p//\//\\}"; }
wine "$work/bench_startup.exe" "$@" "$(w bare_window.exe)" "$(w Kalvero.exe)" "$(w bare_window_trace.exe)" \
    "$(w kalvero_trace.exe)"
rc=$?
printf '\nWall time: %.0f s\n' "$(awk "BEGIN{print $(date +%s.%N) - $started}")"
exit $rc
