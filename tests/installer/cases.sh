# shellcheck shell=bash
# What the installer test scripts share: from the repository's top, the Wine environment and the release's
# names, a count of cases, and reading and waiting on what Wine holds.
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/../.." || exit 1
. tests/wine/env.sh
. installer/package.sh
passed=0 failed=0 skipped=0
check() { if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)) && echo "FAIL: $1" >&2; fi; }  # NAME COMMAND...
# finish NAME: stops the prefix's Wine, prints "NAME: N passed, N failed, N skipped" and ends the script.
finish() { kalvero_wine_stop; echo "$1: $passed passed, $failed failed, $skipped skipped"; exit $((failed > 0)); }
value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^    $2    REG_[A-Z_]*    //p"; }  # KEY NAME
until_ok() { for _ in $(seq "${tries:-150}"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.2; done; return 1; }  # COMMAND...
# A fresh prefix of the template, whose desktop is a link to $HOME: here a folder of its own, in $user's.
own_prefix() {
    kalvero_prefix_new && user=$WINEPREFIX/drive_c/users/$(wine cmd /c echo %USERNAME% | tr -d '\r') &&
        rm -f "$user/Desktop" && mkdir -p "$user/Desktop"
}
