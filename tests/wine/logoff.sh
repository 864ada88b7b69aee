#!/bin/bash
# logoff.sh DRIVER KEEPALIVE
# Command3 (log-off) ends the Wine session: Kalvero must run its close sequence first, so with
# DerPosition "1" the moved window's position is in the registry afterwards.
# The session end kills every process of the prefix, the driver too, so the checks are made from here.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/env.sh"
driver=$1
keepalive=$2
export WINEPREFIX="$KALVERO_TEST_ROOT/logoff"
key='HKCU\Software\VB and VBA Program Settings\Kalvero\Settings'

fail() {
    echo "FAIL: $*" >&2
    kalvero_wine_stop
    exit 1
}

kalvero_xvfb_start || exit 1
kalvero_prefix_new "$WINEPREFIX" || exit 1
kalvero_keepalive_start "$keepalive" || exit 1

# 200,150 px at 96 dpi = 3000,2250 twips.
timeout 60 wine "$driver" --logoff 200 150
rc=$?
echo "driver ended with code $rc"
case $rc in
2) fail "the scenario could not be set up" ;;
3) fail "clicking log-off did not end Kalvero" ;;
124) fail "the driver hung" ;;
esac

timeout 30 wineserver -w || fail "the wineserver did not exit after the session end"
# A new session for the queries, its servers started without our output pipes.
kalvero_keepalive_start "$keepalive" || exit 1

value() {
    wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n && $2 == "REG_SZ" { print $3 }'
}
haut=$(value Haut)
gauche=$(value Gauche)
echo "after log-off: Haut=\"$haut\" Gauche=\"$gauche\""
[ "$haut" = 2250 ] || fail "Haut should be \"2250\""
[ "$gauche" = 3000 ] || fail "Gauche should be \"3000\""
kalvero_wine_stop
echo PASS
