#!/bin/bash
# session-end.sh DRIVER KEEPALIVE: twenty sessions end while Kalvero runs with DerPosition "1"; each time
# its close sequence must save the place it was moved to (x = 200 + round px, y = 150 px), and end. Round
# 0 presses the strip's log-off button; the others end the session from outside while the settings window
# (odd rounds) or the About window over it (even rounds) is open. A session end kills every process of
# the prefix, the driver too, so the checks are made from here.
KALVERO_TREE=$(dirname "$1") . "$(dirname "${BASH_SOURCE[0]}")/env.sh" || exit 1
export WINEPREFIX="$KALVERO_TEST_ROOT/session-end$KALVERO_TAG"
kalvero_xvfb_start && kalvero_prefix_new || exit 1
failed=0
for round in $(seq 0 19); do
    kalvero_keepalive_start "$2" || exit 1  # each session's servers start without our output pipes
    timeout 60 wine "$1" --session-end "$round" || { echo "round $round: the driver failed ($?)"; failed=$((failed + 1)); continue; }
    [ "$round" -gt 0 ] && timeout 60 wine wineboot --end-session --kill >/dev/null 2>&1
    timeout 30 wineserver -w || echo "round $round: the wineserver did not exit after the session end"
    kalvero_keepalive_start "$2" || exit 1  # the next session: for the query, then the next round
    # reg.exe answers at least with the key's name; when Wine ended it at its start, it is asked again.
    for try in 1 2 3; do
        query=$(WINEDEBUG=-all,err+all wine reg query 'HKCU\Software\VB and VBA Program Settings\Kalvero' /s 2>&1 | tr -d '\r')
        grep -q '^HKEY_CURRENT_USER' <<<"$query" && break
        echo "$(date -u +%FT%TZ) $WINEPREFIX: reg.exe gave no answer (try $try): $query" >>"$KALVERO_TEST_ROOT/hiccups.log"
    done
    saved=$(awk '$2 == "REG_SZ" { v[$1] = $3 } END { print v["Haut"] "," v["Gauche"] }' <<<"$query")
    want="2250,$(((200 + round) * 15))"
    [ "$saved" = "$want" ] || { echo "round $round: Haut,Gauche saved as $saved, not $want; reg.exe said: $query"; failed=$((failed + 1)); }
done
kalvero_wine_stop
echo "session end: $((20 - failed)) of 20 rounds saved the position"
[ $failed -eq 0 ]
