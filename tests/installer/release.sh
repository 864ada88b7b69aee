#!/bin/bash
# The signed release, in a Wine prefix of this test's own: a throwaway code-signing certificate signs a
# release; every PE file (the uninstaller that the installer writes included) and the MSI must carry a
# valid signature from it, the signed exe must still run, and without their signatures the exes must be
# the unsigned release's. The winget and Scoop manifests are checked against the files they name.
# The installer that runs is the shipped 32-bit one, under the 32-bit-capable Wine of scripts/wine32.sh
# (in a 64-bit prefix); without it, everything is skipped, with the reason. (installer.sh drives the
# wizards and the MSI.) Prints "release: N passed, N failed, N skipped".
. "$(dirname "${BASH_SOURCE[0]}")/cases.sh"
kalvero_wine32 win64 2>/dev/null || { echo "SKIPPED: the signed release: $(kalvero_wine32 2>&1)" && skipped=1 && finish release; }
export WINEPREFIX=$KALVERO_TEST_ROOT/release SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
root=$KALVERO_TEST_ROOT/release-files && rm -rf "$root" && mkdir -p "$root/u" "$root/s" || exit 1

release() { bash scripts/release.sh --placeholder-url >"$1/log" 2>&1 && cp -a dist "$1" && cp "dist/Kalvero-$v-setup.exe" "$1/kalvero-setup.exe" && # DIR
    for b in 64 32; do unzip -p "dist/Kalvero-$v-win$b.zip" Kalvero.exe >"$1/Kalvero$b.exe"; done; }  # keeps a release, its exes and installer
# The web site's neutral default is a placeholder: package managers must not be sent there.
check "to a placeholder download address it writes no manifest" bash -c '! KALVERO_DOWNLOAD_URL=https://www.example.org/kalvero/$2 bash scripts/release.sh >"$1" 2>&1 &&
    grep -q "example.org/kalvero/$2, a placeholder" "$1"' - "$root/refused" "$v"
release "$root/u" || { echo "FAIL: unsigned release, see $root/u/log" >&2 && failed=1 && finish release; }
check "an unsigned release says so" grep -q '^Not signed' "$root/u/log"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Kalvero essai" -addext extendedKeyUsage=codeSigning -keyout "$root/key.pem" \
    -out "$root/cert.pem" 2>/dev/null && echo "mot de passe" >"$root/pass" && openssl pkcs12 -export -inkey "$root/key.pem" -in "$root/cert.pem" -passout "file:$root/pass" -out "$root/cert.pfx" &&
    (export KALVERO_SIGN_PFX=$root/cert.pfx KALVERO_SIGN_PASSWORD_FILE=$root/pass && release "$root/s") || { echo "FAIL: signed release, see $root/s/log" >&2 && failed=1 && finish release; }
# The uninstaller exists only once an installer has written it.
own_prefix || { failed=$((failed + 1)) && finish release; }
for d in u s; do wine "$root/$d/kalvero-setup.exe" /S "/D=C:\\$d" && cp "$WINEPREFIX/drive_c/$d/Desinstaller.exe" "$root/$d/"; done
signed() { osslsigncode verify -CAfile "$root/cert.pem" -in "$1" >"$root/verify" 2>&1 && grep -q "Subject: /CN=Kalvero essai" "$root/verify"; }
# Without its signature an exe is the unsigned release's, byte for byte. The uninstaller keeps
# osslsigncode's PE checksum and padding, setup.exe holds the signed uninstaller, and osslsigncode lays
# the MSI's compound file out anew: those three are only checked signed.
unsigned() { rm -f "$root/bare" && osslsigncode remove-signature -in "$root/s/$1" -out "$root/bare" >/dev/null 2>&1 && $2 "$root/bare" "$root/u/$1"; }
for t in "Kalvero64.exe cmp -s" "Kalvero32.exe cmp -s" Desinstaller.exe "dist/Kalvero-$v-setup.exe" "dist/Kalvero-$v-x64.msi"; do
    f=${t%% *} && check "$f carries a valid signature" signed "$root/s/$f"
    [ "$f" = "$t" ] || check "$f without its signature is the unsigned one" unsigned "$f" "${t#* }"
done
wine "$root/s/Kalvero64.exe" >/dev/null 2>&1 &
check "the signed exe runs" shows $!

# The manifests: this version in each, and every file they name with its hash.
while read -r ok name; do check "$name" [ "$ok" = ok ]; done < <(python3 - "$v" "$(msiinfo export "dist/Kalvero-$v-x64.msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')" <<'PY'
import hashlib, json, re, sys, yaml
v, msi_code = sys.argv[1:]
sha, row = lambda url: hashlib.sha256(open("dist/" + url.rsplit("/", 1)[1], "rb").read()).hexdigest(), lambda name, ok: print("ok" if ok else "fail", name)
w = [yaml.safe_load(open(f"dist/winget/manifests/k/Kalvero/Kalvero/{v}/Kalvero.Kalvero{k}.yaml", encoding="utf-8")) for k in ("", ".installer", ".locale.fr-FR")]
s, inst = json.load(open("dist/scoop/kalvero.json", encoding="utf-8")), w[1]["Installers"]
row("the manifests: this version, one winget schema", {str(d["PackageVersion"]) for d in w} | {s["version"]} == {v} and len({d["ManifestVersion"] for d in w}) == 1)
# A windowed program: a shortcut, no shim. checkver finds this version's zip by its name; autoupdate, given
# this version, names this version's files, and takes their hashes from the SHA256SUMS beside them.
auto = s["autoupdate"]
row("scoop: a shortcut and no shim; checkver and autoupdate find this version's files", "bin" not in s and s["shortcuts"] == [["Kalvero.exe", "Kalvero"]] and
    re.search(s["checkver"]["regex"], f"<a href='Kalvero-{v}-win64.zip'>").group(1) == v and auto["hash"]["url"] == "$baseurl/SHA256SUMS" and
    {a: u["url"].replace("$version", v) for a, u in auto["architecture"].items()} == {a: u["url"] for a, u in s["architecture"].items()})
# The per-user installer for x64 and x86, silent with /S, its entry's name as product code; the MSI for x64.
row("winget: the three installers", sorted((i["Architecture"], i["InstallerType"], i["Scope"], i["ProductCode"], i.get("InstallerSwitches", {}).get("Silent")) for i in inst) ==
    sorted([("x64", "nullsoft", "user", "Kalvero", "/S"), ("x86", "nullsoft", "user", "Kalvero", "/S"), ("x64", "msi", "machine", msi_code, None)]))
# Scoop's 64bit and 32bit each name the zip of their build.
for name, url, ok in [(f"winget {i['Architecture']} {i['InstallerType']}", i["InstallerUrl"], i["InstallerSha256"] == sha(i["InstallerUrl"]).upper())
                      for i in inst] + [(f"scoop {arch}", a["url"], a["hash"] == sha(a["url"]) and a["url"].endswith(f"-win{arch[:2]}.zip"))
                                        for arch, a in s["architecture"].items()]:
    row(f"{name}: https address, hash of the file", url.startswith("https://") and ok)
PY
)
finish release
