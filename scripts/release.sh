#!/usr/bin/env bash
# Installs what is missing, builds both exes in their release configuration and writes dist/:
#   Kalvero-<version>-win64.zip, -win32.zip   the exe and LISEZMOI.txt, to run as they are
#   Kalvero-<version>-setup.exe                 the per-user installer (no administrator rights)
#   Kalvero-<version>-x64.msi                   the per-machine package for administrators
#   SHA256SUMS
# The version comes from resources/version.h. Exes, zips and installer record no build time (the
# commit's time stands in, or SOURCE_DATE_EPOCH), so a build of one commit can be checked byte for
# byte against another.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
kalvero_deps
. installer/package.sh
: "${SOURCE_DATE_EPOCH:=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}"
export SOURCE_DATE_EPOCH

for preset in windows-x64 windows-x86; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target Kalvero
done
version=$(kalvero_version)
kalvero_stage
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
ls -l dist
