#!/bin/bash
# The release files end to end: scripts/release.sh writes them; the zips, the checksums and the
# packages' headers are checked here; the per-user installer and the MSI install, upgrade and remove
# themselves silently under Wine, in a prefix of this test's own. Prints "installer: N passed, N failed".
#
# The shipped setup.exe is a 32-bit program, and this machine's Wine runs 64-bit programs only: the
# same kalvero.nsi is built once more as a 64-bit program (TARGET=amd64-unicode), and that build runs.
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/../.." || exit 1
. tests/wine/env.sh
. installer/package.sh
export WINEPREFIX=$KALVERO_TEST_ROOT/installer
passed=0 failed=0
check() { # check NAME COMMAND...: one case
    if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)) && echo "FAIL: $1" >&2; fi
}
finish() { kalvero_wine_stop; echo "installer: $passed passed, $failed failed"; exit $((failed > 0)); }

# --- The release files --------------------------------------------------------------------------
bash scripts/release.sh >"$KALVERO_TEST_ROOT/release.log" 2>&1 || { echo "FAIL: scripts/release.sh, see $KALVERO_TEST_ROOT/release.log" >&2; failed=1; finish; }
v=$(kalvero_version) exe64=build/release/win64/Kalvero.exe
check "dist holds the five files and the manifests, each in SHA256SUMS and matching" bash -c "cd dist && [ \"\$(ls | tr '\n' ' ')\" = 'Kalvero-$v-setup.exe Kalvero-$v-win32.zip Kalvero-$v-win64.zip Kalvero-$v-x64.msi SHA256SUMS scoop winget ' ] && [ \$(wc -l <SHA256SUMS) = 4 ] && sha256sum --quiet -c SHA256SUMS"
for bits in 64 32; do
    check "the win$bits zip holds that build's exe and the read-me only" bash -c '[ "$(unzip -Z1 "$1" | tr "\n" " ")" = "Kalvero.exe LISEZMOI.txt " ] && unzip -p "$1" Kalvero.exe | cmp -s - "$2"' - "dist/Kalvero-$v-win$bits.zip" "build/release/win$bits/Kalvero.exe"
done
pe() { od -An -tu"$3" -j$(($(od -An -tu4 -j60 -N4 "$1") + $2)) -N"$3" "$1" | tr -d ' '; }  # FILE OFFSET SIZE past "PE\0\0"
# Machine (offset 4): 34404 x64, 332 x86; no link time (offset 8), so that builds can be compared.
check "machines and link times" [ "$(pe $exe64 4 2) $(pe $exe64 8 4) $(pe ${exe64/64/32} 4 2) $(pe ${exe64/64/32} 8 4) $(pe "dist/Kalvero-$v-setup.exe" 4 2)" = "34404 0 332 0 332" ]
# A new upgrade code would leave the old package installed beside the new one.
check "the MSI keeps its upgrade code" grep -qx "UpgradeCode	{72079122-306A-4BEB-AD93-83B980D94B19}" <(msiinfo export "dist/Kalvero-$v-x64.msi" Property | tr -d '\r')

# --- Under Wine ---------------------------------------------------------------------------------
kalvero_xvfb_start && kalvero_prefix_new "$WINEPREFIX" || { failed=$((failed + 1)) && finish; }
[ -f build/windows-x64/tests/wine/keepalive.exe ] && kalvero_keepalive_start build/windows-x64/tests/wine/keepalive.exe
setup=build/release/setup64.exe next=${v%.*}.$((${v##*.} + 1))  # Windows Installer ignores a fourth field
kalvero_setup "$setup" amd64-unicode >/dev/null && kalvero_msi build/release/next.msi "$next" 2>/dev/null || { failed=$((failed + 1)) && finish; }
# The template's desktop is a link to $HOME: this prefix gets a folder of its own.
user=$WINEPREFIX/drive_c/users/$(wine cmd /c echo %USERNAME% | tr -d '\r')
rm -f "$user/Desktop" && mkdir -p "$user/Desktop"
settings='HKCU\Software\VB and VBA Program Settings\Kalvero\Settings'
uninst='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kalvero'
run='Software\Microsoft\Windows\CurrentVersion\Run'
value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^    $2    REG_[A-Z_]*    //p"; }
set_value() { wine reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1; }
wait_gone() { for _ in $(seq 100); do [ -e "$1" ] || kill -0 "$1" 2>/dev/null || return 0; sleep 0.2; done; return 1; }  # a file or a pid
for v_ in DerPosition=1 FenVisible=1 Haut=2250 Gauche=3000; do set_value "$settings" "${v_%=*}" "${v_#*=}"; done

# A first install, silent, with the defaults: the exe, two shortcuts, no Run value, the uninstall entry.
check "setup /S succeeds" wine "$setup" /S
win='C:\users\'${user##*/}'\AppData\Local\Programs\Kalvero' dir=$user/AppData/Local/Programs/Kalvero
menu="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Kalvero.lnk"
check "the 64-bit exe is installed" cmp -s "$dir/Kalvero.exe" $exe64
# A shortcut holds its target's local path in ANSI, in its LinkInfo.
check "the shortcuts start it" bash -c 'for f in "${@:2}"; do grep -qaF "$1" "$f" || exit 1; done' - "$win\\Kalvero.exe" "$menu" "$user/Desktop/Kalvero.lnk"
check "no Run value unless asked" [ -z "$(value "HKCU\\$run" Kalvero)" ]
for pair in "DisplayName|Kalvero" "DisplayVersion|$v" "DisplayIcon|$win\\Kalvero.exe,0" "InstallLocation|$win" \
    "UninstallString|\"$win\\Desinstaller.exe\"" "QuietUninstallString|\"$win\\Desinstaller.exe\" /S" "NoModify|0x1" "NoRepair|0x1" "URLInfoAbout|$(kalvero_maker WEBSITE)" "HelpLink|$(kalvero_maker WEBSITE)" "Contact|$(kalvero_maker EMAIL)"; do
    check "uninstall value ${pair%%|*}" [ "$(value "$uninst" "${pair%%|*}")" = "${pair#*|}" ]
done
check "uninstall value EstimatedSize, in KB" [ $(($(value "$uninst" EstimatedSize))) -ge $(($(stat -c %s "$dir/Kalvero.exe") / 1024)) ]

# Kalvero starts from there; an upgrade closes it the way Windows does (it saves its position
# again) and replaces the exe, made different here so that the replacement shows.
echo >>"$dir/Kalvero.exe"
wine "$dir/Kalvero.exe" >/dev/null 2>&1 &
pid=$!
check "Kalvero starts from the installed place" timeout 20 xdotool search --sync --onlyvisible --pid "$pid" --name '^Kalvero$' >/dev/null
wine reg delete "$settings" /v Haut /f >/dev/null 2>&1 && wine reg delete "$settings" /v Gauche /f >/dev/null 2>&1
check "setup /S over a running Kalvero succeeds" wine "$setup" /S
check "the running Kalvero ended" wait_gone "$pid"
check "it saved its position as it closed, the rest kept" [ "$(value "$settings" Haut),$(value "$settings" Gauche),$(value "$settings" FenVisible)" = 2250,3000,1 ]
check "the exe was replaced" cmp -s "$dir/Kalvero.exe" $exe64

# The silent uninstall removes everything of it but the settings, the Run values included.
set_value "HKCU\\$run" Kalvero "$win\\Kalvero.exe" && set_value "HKLM\\$run" Kalvero "\"$win\\Kalvero.exe\""
wine "$dir/Desinstaller.exe" /S  # it runs on from a copy in %TEMP%: wait for the folder to go
check "uninstall /S removes the folder" wait_gone "$dir"
check "the shortcuts and the uninstall entry" bash -c '[ ! -e "$1" ] && [ ! -e "$2" ] && ! wine reg query "$3" >/dev/null 2>&1' - "$menu" "$user/Desktop/Kalvero.lnk" "$uninst"
check "and the Run values" [ -z "$(value "HKCU\\$run" Kalvero)$(value "HKLM\\$run" Kalvero)" ]
check "but keeps the settings" [ "$(value "$settings" FenVisible)" = 1 ]

# /D= places it elsewhere; /PURGE removes the settings too, and a machine-wide Run value that
# names another install stays.
check "setup /S /D= installs there" bash -c 'wine "$1" /S "/D=C:\KalveroEssai" && [ -f "$2/drive_c/KalveroEssai/Kalvero.exe" ]' - "$setup" "$WINEPREFIX"
check "InstallLocation follows" [ "$(value "$uninst" InstallLocation)" = 'C:\KalveroEssai' ]
set_value "HKLM\\$run" Kalvero '"C:\Program Files\Kalvero\Kalvero.exe"'
wine "$WINEPREFIX/drive_c/KalveroEssai/Desinstaller.exe" /S /PURGE
check "uninstall /S /PURGE removes the folder" wait_gone "$WINEPREFIX/drive_c/KalveroEssai"
check "and the settings" bash -c '! wine reg query "$1" >/dev/null 2>&1' - "${settings%\\Settings}"
check "but not another install's Run value" [ -n "$(value "HKLM\\$run" Kalvero)" ]

# The MSI: per machine, silent, and a newer one replaces it. Wine's msi puts the shortcut in the
# user's Start menu even with ALLUSERS=1; Windows uses the common one. Either way it must come and go.
pf="$WINEPREFIX/drive_c/Program Files/Kalvero"
menus=("$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kalvero.lnk" "$menu")
products() { # the DisplayVersion of each installed Kalvero MSI
    for k in $(wine reg query "HKLM\\${run%Run}Uninstall" | tr -d '\r' | grep '{'); do [ "$(value "$k" DisplayName)" = Kalvero ] && value "$k" DisplayVersion; done
}
check "msiexec /i /qn installs the 64-bit exe into Program Files" bash -c 'wine msiexec /i "$1" /qn && cmp -s "$2/Kalvero.exe" "$3"' - "dist/Kalvero-$v-x64.msi" "$pf" $exe64
check "with a Start-menu shortcut to it" bash -c 'grep -qaF "$1" "$2" 2>/dev/null || grep -qaF "$1" "$3"' - 'C:\Program Files\Kalvero\Kalvero.exe' "${menus[@]}"
wine msiexec /i build/release/next.msi /qn
check "a newer MSI replaces it" [ "$(echo $(products))" = "$next" ]
# Its entry names the folder, the icon and the web site as the per-user one does.
entry() { for k in $(wine reg query "HKLM\\${run%Run}Uninstall" | tr -d '\r' | grep '{'); do [ "$(value "$k" DisplayName)" = Kalvero ] && echo "$(value "$k" InstallLocation)|$(value "$k" DisplayIcon)|$(value "$k" URLInfoAbout)"; done; }
check "the MSI's entry: folder, icon, web site" [ "$(entry)" = "C:\\Program Files\\Kalvero\\|C:\\Program Files\\Kalvero\\Kalvero.exe,0|$(kalvero_maker WEBSITE)" ]
check "msiexec /x /qn leaves no file, shortcut or entry" bash -c 'wine msiexec /x build/release/next.msi /qn && for f; do [ ! -e "$f" ] || exit 1; done' - "$pf" "${menus[@]}"
check "and no uninstall entry" [ -z "$(products)" ]
finish
