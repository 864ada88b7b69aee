#!/bin/bash
# A signed release and its manifests. A throwaway code-signing certificate signs a release: every PE
# file (the uninstaller that the installer writes included) and the MSI must carry a valid signature
# from it, the signed exe must still run, and without their signatures the files must be the unsigned
# release's byte for byte. The winget and Scoop manifests are checked against the files they name.
# SETUP_TARGET and WINE_CMD let the installer run be the shipped 32-bit build under a 32-bit Wine.
# Prints "signing: N passed, N failed".
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/../.." || exit 1
. tests/wine/env.sh
. installer/package.sh
export WINEPREFIX=$KALVERO_TEST_ROOT/signing
target=${SETUP_TARGET:-amd64-unicode} wine=${WINE_CMD:-wine} root=$KALVERO_TEST_ROOT/signing-files passed=0 failed=0
check() { if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)) && echo "FAIL: $1" >&2; fi; }
finish() { kalvero_wine_stop; echo "signing: $passed passed, $failed failed"; exit $((failed > 0)); }
rm -rf "$root" && mkdir -p "$root/u" "$root/s" && v=$(kalvero_version) || exit 1
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
release() { # DIR [OPTIONS]: a release, its exes and the installer to run kept in DIR
    bash scripts/release.sh "${@:2}" >"$1/log" 2>&1 && cp -a dist "$1" && kalvero_setup "$1/kalvero-setup.exe" "$target" &&
        for b in 64 32; do unzip -p "dist/Kalvero-$v-win$b.zip" Kalvero.exe >"$1/Kalvero$b.exe"; done
}
release "$root/u" || { echo "FAIL: unsigned release, see $root/u/log" >&2 && failed=1 && finish; }
check "an unsigned release says so" grep -q '^Not signed' "$root/u/log"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Kalvero essai" -addext extendedKeyUsage=codeSigning \
    -keyout "$root/key.pem" -out "$root/cert.pem" 2>/dev/null && echo "mot de passe" >"$root/pass" &&
    openssl pkcs12 -export -inkey "$root/key.pem" -in "$root/cert.pem" -passout "file:$root/pass" -out "$root/cert.pfx" &&
    (export KALVERO_SIGN_PFX=$root/cert.pfx KALVERO_SIGN_PASSWORD_FILE=$root/pass && release "$root/s") || { echo "FAIL: signed release, see $root/s/log" >&2 && failed=1 && finish; }
# The uninstaller exists only once an installer has written it.
kalvero_xvfb_start && kalvero_prefix_new || { failed=$((failed + 1)) && finish; }
for d in u s; do $wine "$root/$d/kalvero-setup.exe" /S "/D=C:\\$d" && cp "$WINEPREFIX/drive_c/$d/Desinstaller.exe" "$root/$d/"; done
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
for f in Kalvero64.exe Kalvero32.exe Desinstaller.exe dist/Kalvero-$v-setup.exe dist/Kalvero-$v-x64.msi; do
    check "$f carries a valid signature" signed "$root/s/$f"
    check "$f is not signed in the unsigned release" bash -c '! osslsigncode verify -in "$1" >/dev/null 2>&1' - "$root/u/$f"
done
for t in "same Kalvero64.exe" "same Kalvero32.exe" "same_pe Desinstaller.exe" "same_msi dist/Kalvero-$v-x64.msi"; do
    check "${t#* } without its signature is the unsigned one" $t
done
$wine "$root/s/Kalvero64.exe" >/dev/null 2>&1 &
check "the signed exe runs" timeout 20 xdotool search --sync --onlyvisible --pid $! --name '^Kalvero$' >/dev/null

# The manifests: the fields each format requires, the version, and every hash against its file.
while read -r ok name; do check "$name" [ "$ok" = ok ]; done < <(python3 - "$v" "$(msiinfo export "dist/Kalvero-$v-x64.msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')" <<'PY'
import hashlib, json, re, sys, yaml, zipfile
v, msi_code = sys.argv[1:]
def sha(url): return hashlib.sha256(open("dist/" + url.rsplit("/", 1)[1], "rb").read()).hexdigest()
def row(name, ok): print("ok" if ok else "fail", name)
ident = "Kalvero.Kalvero"
m = {k: yaml.safe_load(open(f"dist/winget/{ident}{k}.yaml", encoding="utf-8")) for k in ("", ".installer", ".locale.fr-FR")}
need = {"": ["DefaultLocale"], ".installer": ["Installers"],
        ".locale.fr-FR": ["PackageLocale", "Publisher", "PackageName", "License", "ShortDescription"]}
kinds = {"": "version", ".installer": "installer", ".locale.fr-FR": "defaultLocale"}
for k, doc in m.items():
    row(f"winget{k}: identity, version and required fields", doc["PackageIdentifier"] == ident and doc["PackageVersion"] == v
        and doc["ManifestType"] == kinds[k] and re.fullmatch(r"1\.\d+\.0", doc["ManifestVersion"]) and all(doc.get(f) for f in need[k]))
row("winget: one schema version, fr-FR the default locale", len({d["ManifestVersion"] for d in m.values()}) == 1 and m[""]["DefaultLocale"] == m[".locale.fr-FR"]["PackageLocale"] == "fr-FR")
row("winget: a short description of 3 to 256 characters", 3 <= len(m[".locale.fr-FR"]["ShortDescription"]) <= 256)
want = {("nullsoft", "user", "Kalvero"), ("msi", "machine", msi_code)}
for i in m[".installer"]["Installers"]:
    row(f"winget installer {i['Architecture']} {i['InstallerType']}: url, hash, scope, product code",
        i["Architecture"] in ("x86", "x64") and i["InstallerUrl"].startswith("https://") and i["InstallerSha256"] == sha(i["InstallerUrl"]).upper()
        and (i["InstallerType"], i["Scope"], i["ProductCode"]) in want and (i["InstallerType"] == "msi" or i["InstallerSwitches"]["Silent"] == "/S"))
row("winget: both installers, for x86 and x64", {(i["InstallerType"], i["Architecture"]) for i in m[".installer"]["Installers"]} == {("nullsoft", "x86"), ("nullsoft", "x64"), ("msi", "x64")})
s = json.load(open("dist/scoop/kalvero.json", encoding="utf-8"))
row("scoop: version, description, homepage, licence", s["version"] == v and all(s.get(f) for f in ("description", "homepage", "license")))
for arch, zipped in (("64bit", f"Kalvero-{v}-win64.zip"), ("32bit", f"Kalvero-{v}-win32.zip")):
    a = s["architecture"][arch]
    names = zipfile.ZipFile("dist/" + zipped).namelist()
    row(f"scoop {arch}: url, hash, and bin and shortcut in the zip", a["url"].endswith("/" + zipped) and a["hash"] == sha(a["url"])
        and s["bin"] in names and all(sc[0] in names and sc[1] for sc in s["shortcuts"]))
PY
)
finish
