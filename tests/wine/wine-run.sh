#!/bin/bash
# CMAKE_CROSSCOMPILING_EMULATOR: runs a Windows exe under Wine in the shared test prefix, bringing up
# Xvfb, the prefix and the keepalive (built beside the test exes) first if needed, one caller at a time.
. "$(dirname "${BASH_SOURCE[0]}")/env.sh" || exit 1
mkdir -p "$KALVERO_TEST_ROOT" && exec 9>"$KALVERO_TEST_ROOT/.run.lock" && flock 9 || exit 1
kalvero_xvfb_start && { kalvero_prefix_current || kalvero_prefix_new; } &&
    kalvero_keepalive_start "${KALVERO_KEEPALIVE:-$(dirname "$1")/keepalive.exe}" || exit 1
exec 9>&-  # the lock is not for wine, nor for the servers it may start
exec wine "$@"
