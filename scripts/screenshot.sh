#!/bin/bash
# Screenshots of Kalvero's window at 100 % and 150 % scaling, for the docs.
#   scripts/screenshot.sh [path/to/Kalvero.exe]
# Runs the exe under Wine on Xvfb in a prefix of its own and writes docs/strip-100.png and
# docs/strip-150.png: just the window, caption included.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/tests/wine/env.sh"
exe=${1:-$root/build/windows-x64/Kalvero.exe}
keepalive=$root/build/windows-x64/tests/wine/keepalive.exe
export WINEPREFIX="$KALVERO_TEST_ROOT/shots"

if [ ! -f "$exe" ]; then
    echo "no $exe: build it first (cmake --preset windows-x64 && cmake --build --preset windows-x64)" >&2
    exit 1
fi
kalvero_xvfb_start || exit 1
kalvero_prefix_current || kalvero_prefix_new "$WINEPREFIX" || exit 1
kalvero_wine_stop  # a Kalvero left running would make ours exit at once: single instance
if [ -f "$keepalive" ]; then kalvero_keepalive_start "$keepalive" || exit 1; fi

shoot() {  # shoot DPI OUT
    local dpi=$1 out=$2 pid id
    # The next process sees the new DPI; the default position keeps the window where it shows.
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wine reg delete 'HKCU\Software\VB and VBA Program Settings\Kalvero' /f >/dev/null 2>&1
    wine "$exe" >/dev/null 2>&1 &
    pid=$!
    # By pid: tests may be showing other Kalvero windows on the same display.
    id=$(timeout 20 xdotool search --sync --onlyvisible --pid "$pid" --name '^Kalvero$' | head -n 1)
    if [ -z "$id" ]; then
        echo "Kalvero's window did not show at $dpi dpi" >&2
        kill "$pid" 2>/dev/null
        return 1
    fi
    sleep 1  # let the caption and the buttons paint
    /usr/bin/import -window "$id" "$out" || return 1
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    echo "saved $out ($(/usr/bin/identify -format '%wx%h' "$out") at $dpi dpi)"
}

mkdir -p "$root/docs"
status=0
shoot 96 "$root/docs/strip-100.png" || status=1
shoot 144 "$root/docs/strip-150.png" || status=1
kalvero_wine_stop
exit $status
