#!/bin/bash
# logoff.sh DRIVER KEEPALIVE: the strip's log-off button ends the Wine session, and Kalvero must run its
# close sequence first: with DerPosition "1" the moved window's place (200,150 px = 3000,2250 twips) is
# saved. The session end kills every process of the prefix, the driver too: the checks are made here.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/env.sh"
export WINEPREFIX="$KALVERO_TEST_ROOT/logoff"
fail() { echo "FAIL: $*" >&2; kalvero_wine_stop; exit 1; }
kalvero_xvfb_start && kalvero_prefix_new && kalvero_keepalive_start "$2" || exit 1
timeout 60 wine "$1" --logoff
case $? in 2) fail "the scenario could not be set up" ;; 3) fail "log-off did not end Kalvero" ;; 124) fail "the driver hung" ;; esac
timeout 30 wineserver -w || fail "the wineserver did not exit after the session end"
kalvero_keepalive_start "$2" || exit 1  # a new session for the queries, without our output pipes
value() { wine reg query 'HKCU\Software\VB and VBA Program Settings\Kalvero\Settings' /v "$1" | tr -d '\r' | awk '$2 == "REG_SZ" { print $3 }'; }
saved="$(value Haut),$(value Gauche)"
kalvero_wine_stop
[ "$saved" = 2250,3000 ] || fail "Haut,Gauche should be 2250,3000, not $saved"
echo PASS
