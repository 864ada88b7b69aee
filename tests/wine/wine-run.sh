#!/bin/bash
# CMAKE_CROSSCOMPILING_EMULATOR: runs a Windows exe under Wine in the shared test prefix.
# Brings up Xvfb, the prefix and the keepalive first if needed; CTest may call it many times in a row.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/env.sh"

# The keepalive is built beside the tests; exes from elsewhere in the build tree find it
# through the build root (the folder holding CMakeCache.txt).
if [ -z "${KALVERO_KEEPALIVE:-}" ]; then
    d=$(cd "$(dirname "$1")" 2>/dev/null && pwd)
    while [ -n "$d" ] && [ "$d" != / ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
    [ -f "$d/CMakeCache.txt" ] && KALVERO_KEEPALIVE="$d/tests/wine/keepalive.exe"
fi

mkdir -p "$KALVERO_TEST_ROOT" || exit 1
(
    flock 9
    kalvero_xvfb_start || exit 1
    if ! kalvero_prefix_current; then kalvero_prefix_new "$WINEPREFIX" || exit 1; fi
    if [ -f "${KALVERO_KEEPALIVE:-}" ]; then
        kalvero_keepalive_start "$KALVERO_KEEPALIVE"
    else
        # Without the keepalive, at least make sure the wineserver does not inherit our stdout:
        # CTest would wait for that pipe to close.
        # (It fails harmlessly when the server already runs.)
        _kalvero_detach /dev/null wineserver -p3
        wait "$_kalvero_pid" || true
    fi
) 9>"$KALVERO_TEST_ROOT/.run.lock" || exit 1

exec wine "$@"
