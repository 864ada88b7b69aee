#!/bin/bash
# Start-up benchmark: Kalvero.exe against two bare Win32 window programs built the same way,
# all three measured in the same run, interleaved, under Wine (Xvfb, a throwaway prefix, a
# warm wineserver):
#   bare_window.exe    the least that puts a window of Kalvero's shape on the screen;
#   bare_controls.exe  the same with Kalvero's manifest (Common Controls 6) and five standard
#                      owner-drawn buttons: the platform's fixed cost of those, so that
#                      Kalvero's ratios against it show what Kalvero itself adds.
#
#   bench/run.sh [--runs N] [--warmup N] [--settle-ms N] [--gap-ms N] [--raw]
#
# The options go to bench_startup.exe (defaults: 20 runs each, 1 warm-up, memory read 250 ms
# after the window shows, 100 ms between runs; --raw prints every run). Set
# KALVERO_BENCH_NO_BUILD=1 to measure the exes already in build/windows-x64 without building.
# It prints figures and never judges them: the exit code is 0 whenever it could measure.
set -u

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$repo/build/windows-x64"
started=$(date +%s.%N)

if [ -z "${KALVERO_BENCH_NO_BUILD:-}" ]; then
    log=$(mktemp)
    # bench_startup depends on Kalvero, the baselines and keepalive: only what is measured is built.
    echo "Building the windows-x64 preset (target bench_startup) ..."
    if ! (cd "$repo" &&
        { [ -f "$build/CMakeCache.txt" ] || cmake --preset windows-x64; } &&
        cmake --build --preset windows-x64 --target bench_startup) >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "bench: the build failed (full log: $log)" >&2
        exit 1
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

# Size and imported DLLs, read from the files themselves.
echo
printf '%-17s %9s %8s   %s\n' "exe" "bytes" "KB" "imported DLLs"
for f in "$bare" "$controls" "$kalvero"; do
    bytes=$(stat -c %s "$f")
    dlls=$(x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -f | paste -sd ' ')
    printf '%-17s %9d %8.1f   %s\n' "$(basename "$f")" "$bytes" "$(awk "BEGIN{print $bytes/1024}")" "$dlls"
done
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
wine "$driver" "$@" "$(winpath "$bare")" "$(winpath "$controls")" "$(winpath "$kalvero")"
rc=$?
echo
echo "bare_controls.exe is bare_window.exe with the same manifest and standard buttons: the platform's cost of Common Controls 6."

printf '\nWall time: %.1f s\n' "$(awk "BEGIN{print $(date +%s.%N) - $started}")"
exit $rc
