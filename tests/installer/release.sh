#!/bin/bash
# The release as its users meet it, in two parts, in Wine prefixes of this test's own.
# Signed: a throwaway code-signing certificate signs a release; every PE file (the uninstaller that the
# installer writes included) and the MSI must carry a valid signature from it, the signed exe must
# still run, and without their signatures the files must be the unsigned release's. The winget and
# Scoop manifests are checked against the files they name.
# By keyboard: a first install through the wizard with the desktop shortcut unticked and Enter on
# every page, an upgrade that keeps that choice, an older installer that refuses to replace the newer
# one, the uninstaller's own page, and the MSI's removal of the start-with-Windows value. Each page is
# saved as a picture in SHOTS (docs/installer holds a run's).
# The installers that run are the shipped 32-bit ones, under the 32-bit-capable Wine of scripts/wine32.sh
# (in a 64-bit prefix); without it, everything is skipped, with the reason.
# Prints "release: N passed, N failed, N skipped".
. "$(dirname "${BASH_SOURCE[0]}")/cases.sh"
kalvero_wine32 win64 2>/dev/null || { echo "SKIPPED: the signed release and the wizards: $(kalvero_wine32 2>&1)" && skipped=1 && finish release; }
export WINEPREFIX=$KALVERO_TEST_ROOT/release SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
root=$KALVERO_TEST_ROOT/release-files
shots=${SHOTS:-$root/shots} && rm -rf "$root" && mkdir -p "$root/u" "$root/s" "$shots" && v=$(kalvero_version) && next=${v%.*}.$((${v##*.} + 1)) || exit 1


# --- Signed ---------------------------------------------------------------------------------------
release() { bash scripts/release.sh >"$1/log" 2>&1 && cp -a dist "$1" && cp "dist/Kalvero-$v-setup.exe" "$1/kalvero-setup.exe" && # DIR
    for b in 64 32; do unzip -p "dist/Kalvero-$v-win$b.zip" Kalvero.exe >"$1/Kalvero$b.exe"; done; }  # keeps a release, its exes and installer
release "$root/u" || { echo "FAIL: unsigned release, see $root/u/log" >&2 && failed=1 && finish release; }
check "an unsigned release says so" grep -q '^Not signed' "$root/u/log"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Kalvero essai" -addext extendedKeyUsage=codeSigning -keyout "$root/key.pem" \
    -out "$root/cert.pem" 2>/dev/null && echo "mot de passe" >"$root/pass" && openssl pkcs12 -export -inkey "$root/key.pem" -in "$root/cert.pem" -passout "file:$root/pass" -out "$root/cert.pfx" &&
    (export KALVERO_SIGN_PFX=$root/cert.pfx KALVERO_SIGN_PASSWORD_FILE=$root/pass && release "$root/s") || { echo "FAIL: signed release, see $root/s/log" >&2 && failed=1 && finish release; }
# Marlett, for Wine to draw the close box in the pictures. The uninstaller exists only once an installer has written it.
prefix() { own_prefix && cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"; }
kalvero_xvfb_start && prefix || { failed=$((failed + 1)) && finish release; }
for d in u s; do wine "$root/$d/kalvero-setup.exe" /S "/D=C:\\$d" && cp "$WINEPREFIX/drive_c/$d/Desinstaller.exe" "$root/$d/"; done
signed() { osslsigncode verify -CAfile "$root/cert.pem" -in "$1" 2>&1 | grep -q "Subject: /CN=Kalvero essai" && osslsigncode verify -CAfile "$root/cert.pem" -in "$1" >/dev/null 2>&1; }
# Without its signature a file must be as unsigned: exactly for the exes; for the uninstaller but for
# the PE checksum and end padding that osslsigncode leaves; the MSI, whose compound file osslsigncode
# lays out anew, by its tables, streams and summary, against an unsigned build of the signed exe.
bare() { rm -f "$root/bare" && osslsigncode remove-signature -in "$1" -out "$root/bare" >/dev/null 2>&1; }
same() { bare "$root/s/$1" && cmp -s "$root/bare" "$root/u/$1"; }
same_pe() { bare "$root/s/$1" && python3 -c 'import sys; a, b = (bytearray(open(f, "rb").read()) for f in sys.argv[1:]); o = int.from_bytes(a[60:64], "little") + 88
a[o:o + 4] = b[o:o + 4]; sys.exit(a.rstrip(b"\0") != b.rstrip(b"\0") or len(a) - len(b) > 7)' "$root/bare" "$root/u/$1"; }
msi() { mkdir -p "$1.d" && (cd "$1.d" && msidump -s -t "$1" >/dev/null) && msiinfo suminfo "$1" >"$1.d/suminfo"; }
same_msi() { bare "$root/s/$1" && kalvero_msi "$root/unsigned.msi" && msi "$root/bare" && msi "$root/unsigned.msi" && diff -qr "$root/bare.d" "$root/unsigned.msi.d" >/dev/null; }
for t in "Kalvero64.exe same" "Kalvero32.exe same" "Desinstaller.exe same_pe" "dist/Kalvero-$v-setup.exe" "dist/Kalvero-$v-x64.msi same_msi"; do
    f=${t% *} && check "$f carries a valid signature" signed "$root/s/$f"
    [ "$f" = "$t" ] || check "$f without its signature is the unsigned one" ${t#* } "$f"
done
wine "$root/s/Kalvero64.exe" >/dev/null 2>&1 &
check "the signed exe runs" timeout 20 xdotool search --sync --onlyvisible --pid $! --name '^Kalvero$' >/dev/null

# The manifests: the fields each format requires, the version, and every hash against its file.
while read -r ok name; do check "$name" [ "$ok" = ok ]; done < <(python3 - "$v" "$(msiinfo export "dist/Kalvero-$v-x64.msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')" <<'PY'
import hashlib, json, re, sys, yaml, zipfile
v, msi_code, ident = *sys.argv[1:], "Kalvero.Kalvero"
sha, row = lambda url: hashlib.sha256(open("dist/" + url.rsplit("/", 1)[1], "rb").read()).hexdigest(), lambda name, ok: print("ok" if ok else "fail", name)
m = {k: yaml.safe_load(open(f"dist/winget/{ident}{k}.yaml", encoding="utf-8")) for k in ("", ".installer", ".locale.fr-FR")}
need = {"": ("version", "DefaultLocale"), ".installer": ("installer", "Installers"),
        ".locale.fr-FR": ("defaultLocale", "PackageLocale", "Publisher", "PackageName", "License", "ShortDescription")}
for k, doc in m.items():
    row(f"winget{k}: identity, version and required fields", doc["PackageIdentifier"] == ident and doc["PackageVersion"] == v
        and doc["ManifestType"] == need[k][0] and re.fullmatch(r"1\.\d+\.0", doc["ManifestVersion"]) and all(doc.get(f) for f in need[k][1:]))
row("winget: one schema version, fr-FR the default locale, a short description of 3 to 256 characters", len({d["ManifestVersion"] for d in m.values()}) == 1
    and m[""]["DefaultLocale"] == m[".locale.fr-FR"]["PackageLocale"] == "fr-FR" and 3 <= len(m[".locale.fr-FR"]["ShortDescription"]) <= 256)
for i in m[".installer"]["Installers"]:
    row(f"winget installer {i['Architecture']} {i['InstallerType']}: url, hash, scope, product code",
        i["Architecture"] in ("x86", "x64") and i["InstallerUrl"].startswith("https://") and i["InstallerSha256"] == sha(i["InstallerUrl"]).upper()
        and (i["InstallerType"], i["Scope"], i["ProductCode"]) in {("nullsoft", "user", "Kalvero"), ("msi", "machine", msi_code)}
        and (i["InstallerType"] == "msi" or i["InstallerSwitches"]["Silent"] == "/S"))
row("winget: both installers, for x86 and x64", {(i["InstallerType"], i["Architecture"]) for i in m[".installer"]["Installers"]} == {("nullsoft", "x86"), ("nullsoft", "x64"), ("msi", "x64")})
s = json.load(open("dist/scoop/kalvero.json", encoding="utf-8"))
row("scoop: version, description, homepage, licence", s["version"] == v and all(s.get(f) for f in ("description", "homepage", "license")))
for arch, zipped in (("64bit", f"Kalvero-{v}-win64.zip"), ("32bit", f"Kalvero-{v}-win32.zip")):
    a, names = s["architecture"][arch], zipfile.ZipFile("dist/" + zipped).namelist()
    row(f"scoop {arch}: url, hash, and bin and shortcut in the zip", a["url"].endswith("/" + zipped) and a["hash"] == sha(a["url"])
        and s["bin"] in names and all(sc[0] in names and sc[1] for sc in s["shortcuts"]))
PY
)

# --- By keyboard ----------------------------------------------------------------------------------
kalvero_setup "$root/new-setup.exe" "$next" >/dev/null && prefix || { failed=$((failed + 1)) && finish release; }
run='Software\Microsoft\Windows\CurrentVersion\Run' uninst='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kalvero' dir=$user/AppData/Local/Programs/Kalvero last=
# page NAME KEYS...: waits until the wizard shows a new page and it has stopped changing, saves it
# as NAME.png and types KEYS into it.
page() {
    local w shot same=0 prev=
    for _ in $(seq 300); do
        w=$(xdotool search --onlyvisible --name '[Ii]nstallation de Kalvero [0-9.]+ ?$' 2>/dev/null | head -1)
        shot=$([ -n "$w" ] && timeout 5 import -window "$w" rgb:- 2>/dev/null | md5sum)
        [ -n "$w" ] && [ "$shot" != "$last" ] && [ "$shot" = "$prev" ] && same=$((same + 1)) || same=0
        [ $same = 3 ] && last=$shot && import -window "$w" "$shots/$1.png" && xdotool windowfocus "$w" key "${@:2}" && return
        prev=$shot && sleep 0.1
    done; return 1
}
timeout 120 wine "$root/u/kalvero-setup.exe" & page 1-bienvenue Return && page 2-composants Down space Return && page 3-dossier Return && page 4-progression Return && page 5-fin Return
wait $!; check "Enter on every page installs Kalvero" [ -f "$dir/Kalvero.exe" ]
check "and leaves it not started" timeout 20 wineserver -w
timeout 120 wine "$root/new-setup.exe" & page 6-mise-a-jour Return && page 7-composants-mise-a-jour Return && page 8-dossier-mise-a-jour Return && page 9-progression-mise-a-jour Return && page 10-fin-mise-a-jour space Return
check "the finish page's ticked box starts Kalvero" until_ok xdotool search --onlyvisible --name '^Kalvero$'
check "the upgrade kept the desktop shortcut unticked" [ "$(value "$uninst" DisplayVersion)" = "$next" -a -f "$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Kalvero.lnk" -a ! -e "$user/Desktop/Kalvero.lnk" ]
timeout 120 wine "$root/u/kalvero-setup.exe" & page 11-version-plus-recente Return
check "an older version says why and ends" until_ok bash -c '! kill -0 $1' - $!
kill $! 2>/dev/null; check "and leaves the newer one" [ "$(value "$uninst" DisplayVersion)" = "$next" ]
wine reg add "HKCU\\Software\\VB and VBA Program Settings\\Kalvero\\Settings" /v Haut /d 15 /f >/dev/null 2>&1 && wine "$dir/Desinstaller.exe" & page 12-desinstallation alt+s Return && page 13-desinstallation-terminee Return
check "the uninstaller's box removes the settings" until_ok bash -c '! wine reg query "HKCU\\Software\\VB and VBA Program Settings\\Kalvero"'
# The MSI's removal takes the machine's Run value named Kalvero (as the program writes it when its
# box is ticked: its short path, quoted), and leaves any other value there.
kalvero_wine_stop && wine msiexec /i "$root/s/dist/Kalvero-$v-x64.msi" /qn && wine reg add "HKLM\\$run" /v Autre /d autre.exe /f >/dev/null 2>&1 &&
    wine reg add "HKLM\\$run" /v Kalvero /d '"C:\PROGRA~1\Kalvero\Kalvero.exe"' /f >/dev/null 2>&1 && wine msiexec /x "$root/s/dist/Kalvero-$v-x64.msi" /qn
check "the MSI's removal removes it, and only it" [ -z "$(value "HKLM\\$run" Kalvero)" -a "$(value "HKLM\\$run" Autre)" = autre.exe ]
finish release
