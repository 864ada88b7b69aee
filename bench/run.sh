#!/bin/bash
# Start-up benchmark: Kalvero.exe against two bare Win32 window programs built the same way,
# all three measured in the same run, interleaved, under Wine (Xvfb, a throwaway prefix, a
# warm wineserver):
#   bare_window.exe    the least that puts a window of Kalvero's shape on the screen;
#   bare_controls.exe  the same with Kalvero's manifest (Common Controls 6) and five standard
#                      owner-drawn buttons: the platform's fixed cost of those, so that
#                      Kalvero's ratios against it show what Kalvero itself adds.
#
# It reports start-up time (median and quartiles of Kalvero's per-round ratios against each
# baseline), private memory and working set, the DLLs loaded once the window shows, CPU time
# while idle (Kalvero shown and in the tray), the time from WM_CLOSE to the end of the process,
# and the size of Kalvero.exe in both builds: the x86 build is built for its size only, since
# 32-bit programs cannot run here.
#
#   bench/run.sh [--runs N] [--warmup N] [--settle-ms N] [--gap-ms N]
#                [--idle-rounds N] [--idle-ms N] [--raw]
#
# The options go to bench_startup.exe (defaults: 20 start-up rounds, 1 warm-up, memory and DLLs
# read 250 ms after the window shows, 100 ms between runs, 3 idle rounds of 5000 ms; --raw
# prints every run). Set KALVERO_BENCH_NO_BUILD=1 to measure the exes already in build/ without
# building. It prints figures and never judges them: the exit code is 0 whenever it could measure.
set -u

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$repo/build/windows-x64"
build86="$repo/build/windows-x86"
started=$(date +%s.%N)

if [ -z "${KALVERO_BENCH_NO_BUILD:-}" ]; then
    log=$(mktemp)
    build() { # PRESET BUILD_DIR TARGET: configured once, then only TARGET and what it needs
        (cd "$repo" && { [ -f "$2/CMakeCache.txt" ] || cmake --preset "$1"; } &&
            cmake --build --preset "$1" --target "$3") >"$log" 2>&1
    }
    # bench_startup depends on Kalvero, the baselines and keepalive: only what is measured is built.
    echo "Building the windows-x64 preset (target bench_startup) ..."
    if ! build windows-x64 "$build" bench_startup; then
        tail -n 40 "$log"
        echo "bench: the build failed (full log: $log)" >&2
        exit 1
    fi
    # The x86 build only gives its size: a failure there is reported, not fatal.
    echo "Building the windows-x86 preset (target Kalvero) ..."
    if ! build windows-x86 "$build86" Kalvero; then
        tail -n 20 "$log"
        echo "bench: the x86 build failed; its size is reported as not built" >&2
        rm -f "$build86/Kalvero.exe"
    fi
    rm -f "$log"
fi

kalvero="$build/Kalvero.exe"
bare="$build/bench/bare_window.exe"
controls="$build/bench/bare_controls.exe"
driver="$build/bench/bench_startup.exe"
keepalive="${KALVERO_KEEPALIVE:-$build/tests/wine/keepalive.exe}"
for f in "$kalvero" "$bare" "$controls" "$driver" "$keepalive"; do
    if [ ! -f "$f" ]; then
        echo "bench: $f is missing; build the windows-x64 preset first" >&2
        exit 1
    fi
done

# Measure copies: a rebuild of the build tree during the run must not swap an exe mid-way.
work=$(mktemp -d)
bench_prefix=
cleanup() {
    if [ -n "$bench_prefix" ]; then
        kalvero_wine_stop "$bench_prefix"
        [ -f "$bench_prefix/.kalvero-prefix" ] && rm -rf "$bench_prefix"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
cp "$bare" "$controls" "$kalvero" "$work/" || exit 1
bare="$work/$(basename "$bare")"
controls="$work/$(basename "$controls")"
kalvero="$work/$(basename "$kalvero")"
kalvero86=
if [ -f "$build86/Kalvero.exe" ]; then
    mkdir "$work/x86" && cp "$build86/Kalvero.exe" "$work/x86/" && kalvero86="$work/x86/Kalvero.exe"
fi

# Size and imported DLLs, read from the files themselves.
echo
printf '%-17s %9s %8s   %s\n' "exe" "bytes" "KB" "imported DLLs"
for f in "$bare" "$controls" "$kalvero" $kalvero86; do
    bytes=$(stat -c %s "$f")
    name=$(basename "$f")
    [ "$f" = "$kalvero86" ] && name="$name (x86)"
    dlls=$(x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -f | paste -sd ' ')
    printf '%-17s %9d %8.1f   %s\n' "$name" "$bytes" "$(awk "BEGIN{print $bytes/1024}")" "$dlls"
done
[ -n "$kalvero86" ] || echo "Kalvero.exe (x86): not built"
echo

# Wine: the shared Xvfb and prefix template of the tests, but a prefix of our own that
# nothing else runs in, thrown away at the end.
. "$repo/tests/wine/env.sh"
export WINEPREFIX="$KALVERO_TEST_ROOT/bench-$$"
bench_prefix="$WINEPREFIX"
kalvero_xvfb_start || exit 1
kalvero_prefix_new "$WINEPREFIX" || exit 1
kalvero_keepalive_start "$keepalive" || exit 1

winpath() { local p="Z:$1"; echo "${p//\//\\}"; }
# Kalvero last: the driver gives its ratios against each of the exes before it.
x86=()
[ -n "$kalvero86" ] && x86=(--x86 "$(winpath "$kalvero86")")
wine "$driver" "${x86[@]}" "$@" "$(winpath "$bare")" "$(winpath "$controls")" "$(winpath "$kalvero")"
rc=$?
echo
echo "bare_controls.exe is bare_window.exe with the same manifest and standard buttons: the platform's cost of Common Controls 6."

printf '\nWall time: %.1f s\n' "$(awk "BEGIN{print $(date +%s.%N) - $started}")"
exit $rc
