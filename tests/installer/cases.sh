# shellcheck shell=bash
# What the installer test scripts share: from the repository's top, the Wine environment and the release's
# names, a count of cases, and reading, writing and waiting on what Wine holds.
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/../.." || exit 1
. scripts/wine-env.sh
. installer/package.sh
passed=0 failed=0 skipped=0
v=$(kalvero_version) && next=${v%.*}.$((${v##*.} + 1)) || exit 1  # a newer version; Windows Installer ignores a fourth field
settings='HKCU\Software\VB and VBA Program Settings\Kalvero\Settings'
sibling='HKCU\Software\VB and VBA Program Settings\Autre\Options'  # another program's settings, beside them
uninst='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kalvero'
run='Software\Microsoft\Windows\CurrentVersion\Run'
check() { if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)) && echo "FAIL: $1" >&2; fi; }  # NAME COMMAND...
# finish NAME: stops the prefix's Wine, prints "NAME: N passed, N failed, N skipped" and ends the script.
finish() { kalvero_wine_stop; echo "$1: $passed passed, $failed failed, $skipped skipped"; exit $((failed > 0)); }
value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^    $2    REG_[A-Z_]*    //p"; }  # KEY NAME
set_value() { wine reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1; }  # KEY NAME TEXT
until_ok() { for _ in $(seq "${tries:-150}"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.2; done; return 1; }  # COMMAND...
gone() { [ ! -e "$1" ] && ! kill -0 "$1" 2>/dev/null; }  # a file or a pid
shows() { timeout 30 xdotool search --sync --onlyvisible --pid "$1" --name '^Kalvero$' >/dev/null; }  # a pid
# A fresh prefix of the template on a running Xvfb, whose desktop is a link to $HOME: here a folder of its own,
# in $user's. Marlett, for Wine to draw the close box in the pictures.
own_prefix() {
    kalvero_xvfb_start && kalvero_prefix_new && user=$WINEPREFIX/drive_c/users/$(wine cmd /c echo %USERNAME% | tr -d '\r') &&
        rm -f "$user/Desktop" && mkdir -p "$user/Desktop" &&
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
}
