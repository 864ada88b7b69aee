#!/bin/bash
# CMAKE_CROSSCOMPILING_EMULATOR: runs a Windows exe under Wine in the shared test prefix, bringing up
# Xvfb, the prefix and the keepalive (built beside the test exes) first if needed, one caller at a time.
KALVERO_TREE=$(dirname "$1") . "$(dirname "${BASH_SOURCE[0]}")/env.sh" || exit 1
mkdir -p "$KALVERO_TEST_ROOT" && exec 9>"$KALVERO_TEST_ROOT/.run.lock" && flock 9 || exit 1
kalvero_xvfb_start && { kalvero_prefix_current || kalvero_prefix_new; } &&
    kalvero_keepalive_start "${KALVERO_KEEPALIVE:-$(dirname "$1")/keepalive.exe}" || exit 1
exec 9>&-  # the lock is not for wine, nor for the servers it may start
# A session ended under the test (the prefix stopped or replaced by another run) kills it without a word, most
# often with status 0; the prefix's wineserver (the one working in its folder) is then another one, or none.
server() {
    local id p
    id=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX")) || return
    for p in $(pgrep wineserver); do [[ $(readlink "/proc/$p/cwd") == */"$id" ]] && echo "$p"; done
} 2>/dev/null
before=$(server)
wine "$@"
status=$?
[ "$(server)" = "$before" ] || { echo "kalvero: the Wine session of $WINEPREFIX ended during the test" >&2 && exit 1; }
exit $status
