#!/bin/bash
# The release files end to end: scripts/release.sh writes them; the zips, the checksums and the
# packages' headers are checked here; then, in prefixes of this test's own, the shipped setup.exe (a
# 32-bit program) installs, upgrades and removes itself, silently and through its wizard by keyboard,
# under the 32-bit-capable Wine of scripts/wine32.sh, in a 64-bit prefix (64-bit Windows: the x64 exe)
# and in a 32-bit one (the x86 exe); the MSI in the first. Each wizard page is saved as a picture in
# SHOTS (docs/installer holds a run's). Prints "installer: N passed, N failed, N skipped": without that
# Wine, the cases under Wine are skipped, with the reason.
. "$(dirname "${BASH_SOURCE[0]}")/cases.sh"

# --- The release files --------------------------------------------------------------------------
mkdir -p "$KALVERO_TEST_ROOT" && bash scripts/release.sh --placeholder-url >"$KALVERO_TEST_ROOT/release.log" 2>&1 || { echo "FAIL: scripts/release.sh, see $KALVERO_TEST_ROOT/release.log" >&2; failed=1; finish installer; }
exe64=build/release/win64/Kalvero.exe
check "dist holds the five files and the manifests, each in SHA256SUMS and matching" bash -c "cd dist && [ \"\$(ls | tr '\n' ' ')\" = 'Kalvero-$v-setup.exe Kalvero-$v-win32.zip Kalvero-$v-win64.zip Kalvero-$v-x64.msi SHA256SUMS scoop winget ' ] && [ \$(wc -l <SHA256SUMS) = 4 ] && sha256sum --quiet -c SHA256SUMS"
pe() { od -An -tu"$3" -j$(($(od -An -tu4 -j60 -N4 "$1") + $2)) -N"$3" "$1" | tr -d ' '; }  # FILE OFFSET SIZE past "PE\0\0"
# made_for EXE: its subsystem and OS versions (offsets 72 and 64), older ones getting the frames of old
# programs; whether it is terminal-server aware (0x8000 at 94); the language of its version resource.
made_for() { echo "$(pe "$1" 72 2).$(pe "$1" 74 2) $(pe "$1" 64 2).$(pe "$1" 66 2) $(($(pe "$1" 94 2) & 0x8000)) $(x86_64-w64-mingw32-windres -i "$1" -O rc | grep -B2 VERSIONINFO | grep LANGUAGE)"; }
for bits in 64 32; do
    zip=dist/Kalvero-$v-win$bits.zip shipped=$KALVERO_TEST_ROOT/shipped$bits.exe
    check "the win$bits zip holds that build's exe and the read-me only" bash -c '[ "$(unzip -Z1 "$1" | tr "\n" " ")" = "Kalvero.exe LISEZMOI.txt " ] && unzip -p "$1" Kalvero.exe | cmp -s - "$2"' - "$zip" "build/release/win$bits/Kalvero.exe"
    unzip -p "$zip" Kalvero.exe >"$shipped"
    check "the win$bits exe: made for Windows 6.1, terminal-server aware, its version filed under French" [ "$(made_for "$shipped")" = "6.1 6.1 32768 LANGUAGE 12, 1" ]
done
# Machine (offset 4): 34404 x64, 332 x86; no link time (offset 8), so that builds can be compared.
check "machines and link times" [ "$(pe $exe64 4 2) $(pe $exe64 8 4) $(pe ${exe64/64/32} 4 2) $(pe ${exe64/64/32} 8 4) $(pe "dist/Kalvero-$v-setup.exe" 4 2)" = "34404 0 332 0 332" ]
# A new upgrade code would leave the old package installed beside the new one.
check "the MSI keeps its upgrade code" grep -qx "UpgradeCode	{72079122-306A-4BEB-AD93-83B980D94B19}" <(msiinfo export "dist/Kalvero-$v-x64.msi" Property | tr -d '\r')
# Explorer reads the package's texts in its codepage: the database's (its string pool's) and the
# summary's are 1252, the summary's texts in it; the exe's row carries the exe's version and language.
check "the MSI: codepage 1252, its summary in it, the exe's version and French" kalvero_python - "dist/Kalvero-$v-x64.msi" "$(kalvero_maker NAME)" "$v" <<'PY'
import olefile, subprocess, sys
msi, maker, v = sys.argv[1:]
ole, abc = olefile.OleFileIO(msi), "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._"
name = lambda n: "".join("!" if c == 0x4840 else abc[(c - 0x3800) & 63] + abc[(c - 0x3800) >> 6] if 0x3800 <= c < 0x4800 else
                         abc[c - 0x4800] if 0x4800 <= c < 0x4840 else chr(c) for c in map(ord, n))
pool = next(ole.openstream(e).read() for e in ole.listdir() if name(e[-1]) == "!_StringPool")
summary, files = ole.getproperties("\x05SummaryInformation"), subprocess.run(["msiinfo", "export", msi, "File"], capture_output=True, text=True).stdout
sys.exit(not (int.from_bytes(pool[:2], "little") == 1252 and summary[1] == 1252 and summary[4] == maker.encode("cp1252") and
              summary[6] == "Arrêt, redémarrage et déconnexion de Windows en un clic".encode("cp1252") and f"\t{v}.0\t1036\t" in files))
PY

# --- Under Wine ---------------------------------------------------------------------------------
kalvero_wine32 win64 2>/dev/null || { skipped=2 && echo "SKIPPED: setup.exe in a 64-bit and a 32-bit prefix: $(kalvero_wine32 2>&1)" && finish installer; }
setup=$PWD/dist/Kalvero-$v-setup.exe newer=$PWD/build/release/next-setup.exe shots=$(realpath -m "${SHOTS:-$KALVERO_TEST_ROOT/shots}")
driver=build/windows-x86/tests/installer/wizard.exe
kalvero_msi build/release/next.msi "$next" 2>/dev/null && kalvero_setup "$newer" "$next" >/dev/null && mkdir -p "$shots" &&
    cmake --build --preset windows-x86 --target wizard >"$KALVERO_TEST_ROOT/wizard-build.log" 2>&1 ||
    { failed=$((failed + 1)) && finish installer; }

# wizard EXE CAPTION STEP...: the driver (wizard.cpp) starts EXE and takes the wizard captioned CAPTION
# through its pages as a keyboard user does, saving each in $shots; its account of each page goes to
# wizard.log, and to the output when it fails. Sets drove to its status.
wizard() {
    timeout 900 wine "$driver" "$shots" "$@" >"$KALVERO_TEST_ROOT/wizard.out" 2>&1
    drove=$? && cat "$KALVERO_TEST_ROOT/wizard.out" >>"$KALVERO_TEST_ROOT/wizard.log"
    [ $drove = 0 ] || cat "$KALVERO_TEST_ROOT/wizard.out" >&2
}
driven() { [ "$drove" = 0 ] && "$@"; }  # COMMAND...: once the wizard went through

# prefix KIND: the installer's cases in a fresh prefix of that kind, win64 (the x64 exe goes in) or win32.
prefix() {
    local kind=$1 exe=build/release/$1/Kalvero.exe
    kalvero_wine32 "$kind" && export WINEPREFIX=$KALVERO_TEST_ROOT/installer && own_prefix || { failed=$((failed + 1)) && return; }
    for v_ in DerPosition=1 FenVisible=1 Haut=2250 Gauche=3000; do set_value "$settings" "${v_%=*}" "${v_#*=}"; done

    # A first install, silent, with the defaults: the exe, two shortcuts, no Run value, the uninstall entry.
    check "$kind: setup /S succeeds" wine "$setup" /S
    local win='C:\users\'${user##*/}'\AppData\Local\Programs\Kalvero' dir=$user/AppData/Local/Programs/Kalvero
    menu="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Kalvero.lnk"
    check "$kind: the $kind exe is installed" cmp -s "$dir/Kalvero.exe" "$exe"
    # A shortcut holds its target's local path in ANSI, in its LinkInfo.
    check "$kind: the shortcuts start it" bash -c 'for f in "${@:2}"; do grep -qaF "$1" "$f" || exit 1; done' - "$win\\Kalvero.exe" "$menu" "$user/Desktop/Kalvero.lnk"
    check "$kind: no Run value unless asked" [ -z "$(value "HKCU\\$run" Kalvero)" ]
    # What Apps & Features shows, and what it and winget run to remove it.
    for pair in "DisplayName|Kalvero" "DisplayVersion|$v" "DisplayIcon|$win\\Kalvero.exe,0" "InstallLocation|$win" \
        "UninstallString|\"$win\\Desinstaller.exe\"" "QuietUninstallString|\"$win\\Desinstaller.exe\" /S"; do
        check "$kind: uninstall value ${pair%%|*}" [ "$(value "$uninst" "${pair%%|*}")" = "${pair#*|}" ]
    done

    # Kalvero starts from there; an upgrade closes it the way Windows does (it saves its position
    # again) and replaces the exe, made different here so that the replacement shows.
    echo >>"$dir/Kalvero.exe"
    wine "$dir/Kalvero.exe" >/dev/null 2>&1 & pid=$!
    check "$kind: Kalvero starts from the installed place" shows "$pid"
    wine reg delete "$settings" /v Haut /f >/dev/null 2>&1 && wine reg delete "$settings" /v Gauche /f >/dev/null 2>&1
    check "$kind: setup /S over a running Kalvero succeeds" wine "$setup" /S
    check "$kind: the running Kalvero ended" until_ok gone "$pid"
    # What winget runs: silent, it starts again the Kalvero it closed.
    check "$kind: and started it again" until_ok xdotool search --onlyvisible --name '^Kalvero$'
    check "$kind: it saved its position as it closed, the rest kept" [ "$(value "$settings" Haut),$(value "$settings" Gauche),$(value "$settings" FenVisible)" = 2250,3000,1 ]
    check "$kind: the exe was replaced" cmp -s "$dir/Kalvero.exe" "$exe"

    # The silent uninstall removes everything of it but the settings, the Run values included: the
    # machine's where Kalvero itself puts it (on 64-bit Windows, in the 64-bit registry, which the
    # 64-bit reg.exe sees).
    set_value "HKCU\\$run" Kalvero "$win\\Kalvero.exe" && set_value "HKLM\\$run" Kalvero "\"$win\\Kalvero.exe\""
    wine "$dir/Desinstaller.exe" /S  # it runs on from a copy in %TEMP%: wait for the folder to go
    check "$kind: uninstall /S removes the folder" until_ok gone "$dir"
    # The folder goes before the shortcuts and the entry: wait for the last of them.
    check "$kind: the shortcuts and the uninstall entry" until_ok bash -c '[ ! -e "$1" ] && [ ! -e "$2" ] && ! wine reg query "$3" >/dev/null 2>&1' - "$menu" "$user/Desktop/Kalvero.lnk" "$uninst"
    check "$kind: and the Run values" [ -z "$(value "HKCU\\$run" Kalvero)$(value "HKLM\\$run" Kalvero)" ]
    check "$kind: but keeps the settings" [ "$(value "$settings" FenVisible)" = 1 ]

    # /D= places it elsewhere; /PURGE (« Supprimer aussi les réglages ») removes the settings too, but
    # not those of another program of the same family, nor the Run values of a portable copy (as the
    # program writes them, its short path quoted or not) or of another install.
    check "$kind: setup /S /D= installs there" bash -c 'wine "$1" /S "/D=C:\KalveroEssai" && [ -f "$2/drive_c/KalveroEssai/Kalvero.exe" ]' - "$setup" "$WINEPREFIX"
    check "$kind: InstallLocation follows" [ "$(value "$uninst" InstallLocation)" = 'C:\KalveroEssai' ]
    mkdir -p "$WINEPREFIX/drive_c/Outils" && cp "$exe" "$WINEPREFIX/drive_c/Outils/Kalvero.exe"
    set_value "HKCU\\$run" Kalvero 'C:\Outils\Kalvero.exe' && set_value "HKLM\\$run" Kalvero '"C:\Program Files\Kalvero\Kalvero.exe"'
    set_value "$sibling" Rang 1
    wine "$WINEPREFIX/drive_c/KalveroEssai/Desinstaller.exe" /S /PURGE
    check "$kind: uninstall /S /PURGE removes the folder" until_ok gone "$WINEPREFIX/drive_c/KalveroEssai"
    check "$kind: and the settings" bash -c '! wine reg query "$1" >/dev/null 2>&1' - "${settings%\\Settings}"
    check "$kind: but not another program's settings beside them" [ "$(value "$sibling" Rang)" = 1 ]
    check "$kind: nor a portable copy's or another install's Run value" [ -n "$(value "HKCU\\$run" Kalvero)" -a -n "$(value "HKLM\\$run" Kalvero)" ]
    wine reg delete "HKCU\\$run" /v Kalvero /f >/dev/null 2>&1

    # By keyboard: a first install with the start with Windows ticked and Enter on every page, where
    # « Lancer Kalvero » is left unticked; an upgrade, where both earlier choices show ticked, that
    # unticks them and, ticked on its finish page, starts Kalvero; a silent one that keeps them
    # unticked; an older installer that refuses to replace it; the uninstaller's own page.
    local installing="Installation de Kalvero" removing="Désinstallation de Kalvero"
    wizard "$setup" "$installing $v" "welcome 1-bienvenue Return" "components 2-composants Down Down space Return" \
        "folder 3-dossier Return" "progress 4-progression Return" "finish 5-fin Return"
    check "$kind: Enter on every page installs the $kind exe" driven cmp -s "$dir/Kalvero.exe" "$exe"
    # Nothing of the prefix runs on once setup is gone: the session ends by itself.
    check "$kind: and leaves it not started" timeout 60 wineserver -w
    wizard "$newer" "$installing $next" "upgrade 6-mise-a-jour Return" "components 7-composants-mise-a-jour Down space Down space Return" \
        "folder 8-dossier-mise-a-jour Return" "progress 9-progression-mise-a-jour Return" "finish 10-fin-mise-a-jour space Return"
    check "$kind: the finish page's ticked box starts Kalvero" driven until_ok xdotool search --onlyvisible --name '^Kalvero$'
    check "$kind: unticked, the desktop shortcut and the Run value went" [ -f "$menu" -a ! -e "$user/Desktop/Kalvero.lnk" -a -z "$(value "HKCU\\$run" Kalvero)" ]
    wine "$newer" /S
    check "$kind: the upgrade kept the desktop shortcut unticked" [ "$(value "$uninst" DisplayVersion)" = "$next" -a -f "$menu" -a ! -e "$user/Desktop/Kalvero.lnk" -a -z "$(value "HKCU\\$run" Kalvero)" ]
    # The driver knows the box by its text, and waits for setup to end once it is closed.
    wizard "$setup" "$installing $v" "newer 11-version-plus-recente Return"
    check "$kind: an older version says why and ends" [ $drove = 0 ]
    check "$kind: and leaves the newer one" [ "$(value "$uninst" DisplayVersion)" = "$next" ]
    set_value "$settings" Haut 15 && set_value "$sibling" Rang 1 && wizard "$dir/Desinstaller.exe" "$removing $next" "uninstall 12-desinstallation alt+s Return" \
        "progress 13-desinstallation-terminee Return"
    check "$kind: the uninstaller's box removes the settings" driven until_ok bash -c '! wine reg query "$1"' - "${settings%\\Settings}"
    check "$kind: but not another program's beside them" [ "$(value "$sibling" Rang)" = 1 ]
}
prefix win32
kalvero_wine_stop
prefix win64

# The MSI: per machine, silent, and a newer one replaces it. Wine's msi puts the shortcut in the
# user's Start menu even with ALLUSERS=1; Windows uses the common one. Either way it must come and go.
pf="$WINEPREFIX/drive_c/Program Files/Kalvero"
menus=("$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kalvero.lnk" "$menu")
# entry NAME...: those values of each installed Kalvero MSI's uninstall entry, each followed by "|".
entry() {
    for k in $(wine reg query "HKLM\\${run%Run}Uninstall" | tr -d '\r' | grep '{'); do
        [ "$(value "$k" DisplayName)" = Kalvero ] && for n; do printf '%s|' "$(value "$k" "$n")"; done
    done
}
# short PATH: the short form of a Windows path, as GetShortPathNameW gives it (Wine's are hashed: PROG~FBU).
short() { printf '@for %%%%I in ("%s") do @echo %%%%~sI\r\n' "$1" >"$WINEPREFIX/drive_c/short.bat" && wine cmd /c 'C:\short.bat' | tr -d '\r'; }
check "msiexec /i /qn installs the 64-bit exe into Program Files" bash -c 'wine msiexec /i "$1" /qn && cmp -s "$2/Kalvero.exe" "$3"' - "dist/Kalvero-$v-x64.msi" "$pf" $exe64
check "with a Start-menu shortcut to it" bash -c 'grep -qaF "$1" "$2" 2>/dev/null || grep -qaF "$1" "$3"' - 'C:\Program Files\Kalvero\Kalvero.exe' "${menus[@]}"
# The machine's Run value as the program writes it when an administrator ticks its box (its short path,
# quoted) stays while a newer package replaces this one, and goes with a real removal; any other value
# there stays, and so does a portable copy's entry.
set_value "HKLM\\$run" Kalvero "\"$(short 'C:\Program Files\Kalvero\Kalvero.exe')\"" && set_value "HKLM\\$run" Autre autre.exe
ours=$(value "HKLM\\$run" Kalvero)
wine msiexec /i build/release/next.msi /qn
check "a newer MSI replaces it" [ "$(entry DisplayVersion)" = "$next|" ]
check "and keeps the machine's Run value naming its exe" [ -n "$ours" -a "$(value "HKLM\\$run" Kalvero)" = "$ours" ]
# Its entry names the folder, the icon and the web site as the per-user one does.
check "the MSI's entry: folder, icon, web site" [ "$(entry InstallLocation DisplayIcon URLInfoAbout)" = "C:\\Program Files\\Kalvero\\|C:\\Program Files\\Kalvero\\Kalvero.exe,0|$(kalvero_maker WEBSITE)|" ]
check "msiexec /x /qn leaves no file, shortcut or entry" bash -c 'wine msiexec /x build/release/next.msi /qn && for f; do [ ! -e "$f" ] || exit 1; done' - "$pf" "${menus[@]}"
check "and no uninstall entry" [ -z "$(entry DisplayVersion)" ]
check "and of the Run values, only Kalvero's" [ -z "$(value "HKLM\\$run" Kalvero)" -a "$(value "HKLM\\$run" Autre)" = autre.exe ]
wine msiexec /i build/release/next.msi /qn && set_value "HKLM\\$run" Kalvero 'C:\Outils\Kalvero.exe' && wine msiexec /x build/release/next.msi /qn
check "but a portable copy's stays" [ "$(value "HKLM\\$run" Kalvero)" = 'C:\Outils\Kalvero.exe' ]
finish installer
