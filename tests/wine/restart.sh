#!/bin/bash
# restart.sh DRIVER: what Kalvero writes survives a restart of Wine's whole "machine". The driver's
# MachineRestart.BeforeWrites runs, every process of the test prefix and its wineserver are ended (the
# registry is saved then, as Windows saves it at shut-down), and MachineRestart.AfterReads runs in a new
# session, whose keepalive wine-run.sh starts.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
KALVERO_TREE=$(dirname "$1") . "$here/../../scripts/wine-env.sh" || exit 1
half() {  # passes only if that one test ran and passed: a filter that matches nothing passes too
    local out
    out=$("$here/wine-run.sh" "$1" --gtest_filter="MachineRestart.$2")
    local status=$?
    echo "$out"
    [ $status -eq 0 ] && grep -q '^\[  PASSED  \] 1 test' <<<"$out"
}
half "$1" BeforeWrites || exit 1
kalvero_wine_stop
half "$1" AfterReads
