#!/bin/bash
# The installers as a keyboard user meets them, under Wine: a first install through the wizard with
# the desktop shortcut unticked and Enter on every page, an upgrade that keeps that choice, an older
# installer that refuses to replace the newer one, the uninstaller's own page, and the MSI's removal
# of the start-with-Windows value that Kalvero wrote. Each page is saved as a picture in SHOTS (docs/
# holds a run's). SETUP_TARGET and WINE_CMD let the run be the shipped 32-bit build under a 32-bit
# Wine. Prints "wizard: N passed, N failed".
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/../.." || exit 1
. tests/wine/env.sh
. installer/package.sh
export WINEPREFIX=$KALVERO_TEST_ROOT/wizard SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
target=${SETUP_TARGET:-amd64-unicode} wine=${WINE_CMD:-wine} shots=${SHOTS:-$KALVERO_TEST_ROOT/shots} passed=0 failed=0
check() { if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)) && echo "FAIL: $1" >&2; fi; }
finish() { kalvero_wine_stop; echo "wizard: $passed passed, $failed failed"; exit $((failed > 0)); }
v=$(kalvero_version) && next=${v%.*}.$((${v##*.} + 1)) && mkdir -p "$shots" || exit 1
[ -f "build/release/win32/Kalvero.exe" ] || bash scripts/release.sh >"$KALVERO_TEST_ROOT/wizard-release.log" 2>&1
{ kalvero_setup "$shots/../old-setup.exe" "$target" && kalvero_setup "$shots/../new-setup.exe" "$target" "$next" &&
    kalvero_msi "$shots/../kalvero.msi" && kalvero_xvfb_start && kalvero_prefix_new; } >/dev/null || { failed=1 && finish; }
user=$WINEPREFIX/drive_c/users/$($wine cmd /c echo %USERNAME% | tr -d '\r') run='Software\Microsoft\Windows\CurrentVersion\Run'
rm -f "$user/Desktop" && mkdir -p "$user/Desktop" && cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
wait_for() { for _ in $(seq 150); do "$@" >/dev/null 2>&1 && return; sleep 0.2; done; return 1; }  # COMMAND...: until it succeeds
value() { $wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^    $2    REG_[A-Z_]*    //p"; }
# page NAME KEYS...: waits until the wizard shows a new page and it has stopped changing, saves it
# as NAME.png and types KEYS into it.
last=
page() {
    local w shot same=0 prev=
    for _ in $(seq 300); do
        w=$(xdotool search --onlyvisible --name '[Ii]nstallation de Kalvero [0-9.]+ ?$' 2>/dev/null | head -1)
        shot=$([ -n "$w" ] && timeout 5 import -window "$w" rgb:- 2>/dev/null | md5sum)
        [ -n "$w" ] && [ "$shot" != "$last" ] && [ "$shot" = "$prev" ] && same=$((same + 1)) || same=0
        [ $same = 3 ] && break
        prev=$shot && sleep 0.1
    done
    [ $same = 3 ] && last=$shot && import -window "$w" "$shots/$1.png" && xdotool windowfocus "$w" key "${@:2}"
}
uninst='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kalvero' dir=$user/AppData/Local/Programs/Kalvero
timeout 120 $wine "$shots/../old-setup.exe" &
page 1-bienvenue Return && page 2-composants Down space Return && page 3-dossier Return && page 4-progression Return && page 5-fin Return
wait $!
check "Enter on every page installs Kalvero" [ -f "$dir/Kalvero.exe" ]
check "and leaves it not started" timeout 20 wineserver -w
timeout 120 $wine "$shots/../new-setup.exe" &
page 6-mise-a-jour Return && page 7-composants-mise-a-jour Return && page 8-dossier-mise-a-jour Return && page 9-progression-mise-a-jour Return && page 10-fin-mise-a-jour space Return
check "the finish page's ticked box starts Kalvero" wait_for xdotool search --onlyvisible --name '^Kalvero$'
check "the upgrade kept the desktop shortcut unticked" [ "$(value "$uninst" DisplayVersion)" = "$next" -a -f "$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Kalvero.lnk" -a ! -e "$user/Desktop/Kalvero.lnk" ]
timeout 120 $wine "$shots/../old-setup.exe" &
page 11-version-plus-recente Return
check "an older version says why and ends" wait_for bash -c '! kill -0 $1' - $!
kill $! 2>/dev/null; check "and leaves the newer one" [ "$(value "$uninst" DisplayVersion)" = "$next" ]
$wine reg add "HKCU\\Software\\VB and VBA Program Settings\\Kalvero\\Settings" /v Haut /d 15 /f >/dev/null 2>&1 && $wine "$dir/Desinstaller.exe" &
page 12-desinstallation alt+s Return && page 13-desinstallation-terminee Return
check "the uninstaller's box removes the settings" wait_for bash -c '! $1 reg query "HKCU\\Software\\VB and VBA Program Settings\\Kalvero"' - "$wine"
# The MSI's removal takes the machine's Run value named Kalvero (as the program writes it when its
# box is ticked: its short path, quoted), and leaves any other value there.
kalvero_wine_stop && $wine msiexec /i "$shots/../kalvero.msi" /qn && $wine reg add "HKLM\\$run" /v Autre /d autre.exe /f >/dev/null 2>&1 &&
    $wine reg add "HKLM\\$run" /v Kalvero /d '"C:\PROGRA~1\Kalvero\Kalvero.exe"' /f >/dev/null 2>&1 && $wine msiexec /x "$shots/../kalvero.msi" /qn
check "the MSI's removal removes it, and only it" [ -z "$(value "HKLM\\$run" Kalvero)" -a "$(value "HKLM\\$run" Autre)" = autre.exe ]
finish
