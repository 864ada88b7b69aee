#!/bin/bash
# CMAKE_CROSSCOMPILING_EMULATOR: runs a Windows exe under Wine in the shared test prefix, bringing up
# Xvfb, the prefix and the keepalive (built beside the test exes) first if needed, one caller at a time.
KALVERO_TREE=$(dirname "$1") . "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh" || exit 1
up() {
    mkdir -p "$KALVERO_TEST_ROOT" && exec 9>"$KALVERO_TEST_ROOT/.run.lock" && flock 9 || return 1
    kalvero_xvfb_start && { kalvero_prefix_current || kalvero_prefix_new; } &&
        kalvero_keepalive_start "${KALVERO_KEEPALIVE:-$(dirname "$1")/keepalive.exe}" || return 1
    exec 9>&-  # the lock is not for wine, nor for the servers it may start
}
# A session ended under the test (the prefix stopped or replaced by another run) kills it without a word, most
# often with status 0: the prefix's wineserver (the one working in its folder) from before is then gone. A second
# one may show for a moment, started by a wine that did not reach the first in time, and end at once.
server() {
    local p id
    id=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX")) || return
    for p in $(pgrep wineserver); do [[ $(readlink "/proc/$p/cwd") == */"$id" ]] && echo "$p"; done
} 2>/dev/null
out=$KALVERO_TEST_ROOT/.run-$$.out
trap 'rm -f "$out"' EXIT
for try in 1 2; do
    up "$1" || exit 1
    before=$(server)
    wine "$@" > >(tee "$out")  # streamed: what a test that times out printed is kept
    status=$?
    after=$(server)
    # Now and then under emulation a test exe fails before it has printed a word, its session ending as it
    # starts. A test prints its header before it touches Kalvero: such a run tested nothing, and runs once more.
    [ "$status" -ne 0 ] && [ ! -s "$out" ] && [ "$try" = 1 ] || break
    echo "$(date -u +%FT%TZ) $WINEPREFIX: $(basename "$1") ended with status $status before printing anything" \
        "(wineserver before: ${before:-none}; after: ${after:-none}); run once more" | tee -a "$KALVERO_TEST_ROOT/hiccups.log" >&2
done
for p in $before; do grep -qx "$p" <<<"$after" && exit $status; done
[ -z "$before" ] && exit $status
echo "kalvero: the Wine session of $WINEPREFIX ended during the test (its wineserver before: $before; after:" \
    "${after:-none})" >&2
exit 1
