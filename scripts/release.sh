#!/usr/bin/env bash
# Installs what is missing, builds both exes in their release configuration and writes dist/:
#   Kalvero-<version>-win64.zip, -win32.zip   the exe and LISEZMOI.txt, to run as they are
#   Kalvero-<version>-setup.exe                 the per-user installer (no administrator rights)
#   Kalvero-<version>-x64.msi                   the per-machine package for administrators
#   SHA256SUMS
#   winget/manifests/k/Kalvero/Kalvero/<version>/   the three files of a winget manifest (version,
#                                                   installers, fr-FR locale), where winget-pkgs has them
#   scoop/kalvero.json                          a Scoop manifest for the two zips, with its updates
# The version comes from resources/version.h. Exes, zips and installers record no build time (the
# commit's time stands in, or SOURCE_DATE_EPOCH), so a build of one commit can be checked byte for
# byte against another.
#
# Options (or the environment variables beside them):
#   --pfx FILE            KALVERO_SIGN_PFX            code-signing certificate and key, PKCS#12
#   --password-file FILE  KALVERO_SIGN_PASSWORD_FILE  the file's password, on one line
#   --timestamp URL       KALVERO_SIGN_TIMESTAMP      an RFC 3161 time-stamp server (optional)
#   --download-url URL    KALVERO_DOWNLOAD_URL        where the files will be published, for the
#                                                     manifests (default: the web site/VERSION)
#   --placeholder-url                                 writes the manifests even when that address is
#                                                     a placeholder (example.org, .com, .net): for tests
#   --license TEXT        KALVERO_LICENSE             the licence the manifests name
# With a certificate, both exes (before they are zipped and packed), the uninstaller, the
# installer and the MSI are signed; without one they are written unsigned.
set -euo pipefail
cd "$(dirname "$0")/.."
while [ $# -gt 0 ]; do
    case $1 in
    --pfx) export KALVERO_SIGN_PFX=$2 ;;
    --password-file) export KALVERO_SIGN_PASSWORD_FILE=$2 ;;
    --timestamp) export KALVERO_SIGN_TIMESTAMP=$2 ;;
    --download-url) KALVERO_DOWNLOAD_URL=$2 ;;
    --license) KALVERO_LICENSE=$2 ;;
    --placeholder-url) placeholder=1 && shift && continue ;;
    *) echo "usage: $0 [--pfx FILE --password-file FILE [--timestamp URL]] [--download-url URL] [--license TEXT] [--placeholder-url]" >&2 && exit 2 ;;
    esac
    shift 2 || { echo "$0: $1 needs a value" >&2 && exit 2; }
done
if [ -n "${KALVERO_SIGN_PFX:-}" ]; then
    # Absolute, for makensis's signing commands; checked now rather than after the builds.
    KALVERO_SIGN_PFX=$(realpath "$KALVERO_SIGN_PFX") KALVERO_SIGN_PASSWORD_FILE=$(realpath "${KALVERO_SIGN_PASSWORD_FILE:?--password-file is needed with --pfx}")
    export KALVERO_SIGN_PFX KALVERO_SIGN_PASSWORD_FILE KALVERO_SIGN_TIMESTAMP
    openssl pkcs12 -in "$KALVERO_SIGN_PFX" -passin "file:$KALVERO_SIGN_PASSWORD_FILE" -nokeys -noout
fi
. scripts/deps.sh
kalvero_deps
. installer/package.sh
: "${SOURCE_DATE_EPOCH:=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}"
export SOURCE_DATE_EPOCH

for preset in windows-x64 windows-x86; do cmake --preset "$preset" >/dev/null; done
version=$(kalvero_version)
# Package managers would send their users to a placeholder: the manifests need the real address.
url=${KALVERO_DOWNLOAD_URL:-$(kalvero_maker WEBSITE)/$version}
if [[ $url =~ ^[a-z]+://([^/@]*@)?([^/:]*\.)?example\.(org|com|net)([:/]|$) ]] && [ -z "${placeholder:-}" ]; then
    echo "$0: the manifests would name $url, a placeholder: give the address where the files will be published" \
        "(--download-url, or the web site: -DKALVERO_MAKER_WEBSITE=... in the windows-x64 preset), or --placeholder-url" >&2
    exit 1
fi
cmake --build --preset windows-x64 --target Kalvero forget_run
cmake --build --preset windows-x86 --target Kalvero
kalvero_stage
for bits in 64 32; do kalvero_sign "build/release/win$bits/Kalvero.exe"; done
rm -rf dist
mkdir -p dist

# Zip entries in a fixed order with fixed times and attributes; the read-me in Windows' line ends,
# with a byte-order mark so that older Notepads read its accents right.
for bits in 64 32; do
    python3 - "dist/Kalvero-$version-win$bits.zip" "build/release/win$bits/Kalvero.exe" "$version" <<'PY'
import os, sys, time, zipfile
out, exe, version = sys.argv[1:]
when = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]  # zip starts at 1980
with open("installer/LISEZMOI.txt", encoding="utf-8") as f:
    text = f.read().replace("@VERSION@", version).replace("\n", "\r\n")
with open(exe, "rb") as f:
    files = [("Kalvero.exe", f.read()), ("LISEZMOI.txt", "\ufeff".encode() + text.encode())]
with zipfile.ZipFile(out, "w") as z:
    for name, data in files:
        info = zipfile.ZipInfo(name, when)
        info.create_system = 0  # MS-DOS: no Unix owner or mode bits
        info.external_attr = 0x20  # archive
        info.compress_type = zipfile.ZIP_DEFLATED
        z.writestr(info, data, compresslevel=9)
PY
done
kalvero_setup "dist/Kalvero-$version-setup.exe"
kalvero_msi "dist/Kalvero-$version-x64.msi"
(cd dist && sha256sum Kalvero-* >SHA256SUMS)

# The manifests name the files where they will be published, with their hashes.
msi=dist/Kalvero-$version-x64.msi
python3 - "$version" "$url" "$(kalvero_maker NAME)" \
    "$(kalvero_maker WEBSITE)" "${KALVERO_LICENSE:-Freeware}" "$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')" <<'PY'
import hashlib, json, os, sys
version, url, publisher, website, licence, msi_code = sys.argv[1:]
about = "Arrêt, redémarrage et déconnexion de Windows en un clic"
ident, schema = "Kalvero.Kalvero", "1.6.0"
def sha(name):
    with open("dist/" + name, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest().upper()
def link(name):
    return url.rstrip("/") + "/" + name
def yaml(path, kind, fields):
    # JSON's quoted strings are valid YAML scalars, which keeps accents and colons safe.
    def emit(value, indent):
        if isinstance(value, dict):
            return "".join(f"\n{indent}{k}:" + emit(v, indent + "  ") for k, v in value.items())
        if isinstance(value, list):  # an item's first line goes after its dash
            items = (emit(v, indent + "  ") for v in value)
            return "".join(f"\n{indent}- " + (i[len(indent) + 3:] if i.startswith("\n") else i[1:]) for i in items)
        return " " + json.dumps(value, ensure_ascii=False)
    header = f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{schema}.schema.json\n"
    body = {"PackageIdentifier": ident, "PackageVersion": version, **fields,
            "ManifestType": kind, "ManifestVersion": schema}
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(header + emit(body, "").lstrip("\n") + "\n")
setup, zips = f"Kalvero-{version}-setup.exe", {b: f"Kalvero-{version}-win{b}.zip" for b in ("64", "32")}
msi = f"Kalvero-{version}-x64.msi"
# Where winget-pkgs keeps them: its first letter, then the identifier's parts, then the version.
winget = f"dist/winget/manifests/k/{ident.replace('.', '/')}/{version}"
yaml(f"{winget}/{ident}.yaml", "version", {"DefaultLocale": "fr-FR"})
# The per-user installer puts the 64-bit exe on x64 Windows and the 32-bit one elsewhere.
nsis = {"InstallerType": "nullsoft", "Scope": "user", "InstallerUrl": link(setup), "InstallerSha256": sha(setup),
        "InstallerSwitches": {"Silent": "/S", "SilentWithProgress": "/S"}, "ProductCode": "Kalvero"}
yaml(f"{winget}/{ident}.installer.yaml", "installer", {
    "MinimumOSVersion": "6.1.7601", "InstallerLocale": "fr-FR", "UpgradeBehavior": "install",
    "Installers": [{"Architecture": "x64", **nsis}, {"Architecture": "x86", **nsis},
                   {"Architecture": "x64", "InstallerType": "msi", "Scope": "machine", "InstallerUrl": link(msi),
                    "InstallerSha256": sha(msi), "ProductCode": msi_code}]})
yaml(f"{winget}/{ident}.locale.fr-FR.yaml", "defaultLocale", {
    "PackageLocale": "fr-FR", "Publisher": publisher, "PublisherUrl": website, "PackageName": "Kalvero",
    "PackageUrl": website, "License": licence, "ShortDescription": about,
    "Description": "Une petite bande de cinq boutons : arrêt, redémarrage, déconnexion, réglages et réduction "
                   "dans la zone de notification. Un clic agit tout de suite, sans confirmation.",
    "Moniker": "kalvero", "Tags": ["arret", "redemarrage", "deconnexion", "shutdown"]})
# Scoop: a windowed program gets a Start-menu shortcut and no command-line shim. checkver finds a newer
# version by the zips' names on the web site; autoupdate names its files as this one's, and takes their
# hashes from SHA256SUMS beside them.
arch = lambda b: "64bit" if b == "64" else "32bit"
os.makedirs("dist/scoop", exist_ok=True)
with open("dist/scoop/kalvero.json", "w", encoding="utf-8") as f:
    json.dump({"version": version, "description": about, "homepage": website, "license": licence,
               "architecture": {arch(b): {"url": link(z), "hash": sha(z).lower()} for b, z in zips.items()},
               "shortcuts": [["Kalvero.exe", "Kalvero"]],
               "checkver": {"url": website, "regex": r"Kalvero-([\d.]+)-win64\.zip"},
               "autoupdate": {"architecture": {arch(b): {"url": link(z).replace(version, "$version")} for b, z in zips.items()},
                              "hash": {"url": "$baseurl/SHA256SUMS"}}}, f, ensure_ascii=False, indent=4)
    f.write("\n")
PY
[ -n "${KALVERO_SIGN_PFX:-}" ] && echo "Signed with $KALVERO_SIGN_PFX." ||
    echo "Not signed: no certificate given (--pfx and --password-file, or KALVERO_SIGN_PFX and KALVERO_SIGN_PASSWORD_FILE)."
ls -lR dist
