# shellcheck shell=bash
# What the release script and the installer tests share: the version, the staged exes, signing and
# the two installer builds. Source it from the repository's root.
#   kalvero_version               prints the version from resources/version.h, e.g. 1.0.0
#   kalvero_maker NAME            prints the build's option KALVERO_MAKER_NAME (WEBSITE, EMAIL, ...)
#   kalvero_stage                 copies both built exes to build/release/{win64,win32}/
#   kalvero_sign FILE             signs FILE in place when KALVERO_SIGN_PFX names a certificate
#   kalvero_setup OUT [VERSION]   the per-user installer (a 32-bit program, for every Windows)
#   kalvero_msi OUT [VERSION]     the per-machine package
# Signing reads KALVERO_SIGN_PFX (a PKCS#12 file), KALVERO_SIGN_PASSWORD_FILE (its password on one
# line) and, optionally, KALVERO_SIGN_TIMESTAMP (an RFC 3161 time-stamp server's address).

kalvero_version() {
    local n v=()
    for n in MAJOR MINOR REVISION; do
        v+=("$(awk -v k="KALVERO_VERSION_$n" '$1 == "#define" && $2 == k { print $3 }' resources/version.h)")
    done
    [[ ${v[0]} =~ ^[0-9]+$ && ${v[1]} =~ ^[0-9]+$ && ${v[2]} =~ ^[0-9]+$ ]] || {
        echo "no version in resources/version.h" >&2
        return 1
    }
    echo "${v[0]}.${v[1]}.${v[2]}"
}

# The value the x64 build was configured with, so that the packages name the same maker as the exe.
kalvero_maker() {
    sed -n "s/^KALVERO_MAKER_$1:STRING=//p" build/windows-x64/CMakeCache.txt | grep . ||
        { echo "no KALVERO_MAKER_$1 in build/windows-x64: configure it first" >&2 && return 1; }
}

# The staged copies carry the commit's time, which the installer and the zips record.
kalvero_stage() {
    local arch dir
    for arch in 64:x64 32:x86; do
        dir=build/release/win${arch%%:*}
        mkdir -p "$dir" && cp "build/windows-${arch#*:}/Kalvero.exe" "$dir/" &&
            touch -d "@${SOURCE_DATE_EPOCH:?}" "$dir/Kalvero.exe" || return 1
    done
}

# Without a time-stamp server the signature carries the commit's time, so a signed build can be
# made again byte for byte; with one, the server's time (which outlives the certificate).
kalvero_sign() {
    [ -n "${KALVERO_SIGN_PFX:-}" ] || return 0
    local when=(-time "${SOURCE_DATE_EPOCH:?}")
    [ -z "${KALVERO_SIGN_TIMESTAMP:-}" ] || when=(-ts "$KALVERO_SIGN_TIMESTAMP")
    rm -f "$1.signed"
    osslsigncode sign -pkcs12 "$KALVERO_SIGN_PFX" -readpass "${KALVERO_SIGN_PASSWORD_FILE:?}" -h sha256 \
        -n Kalvero -i "$(kalvero_maker WEBSITE)" "${when[@]}" -in "$1" -out "$1.signed" >/dev/null &&
        touch -r "$1" "$1.signed" && mv "$1.signed" "$1"
}

kalvero_setup() {
    local sign=() exe kb=()
    # makensis signs the uninstaller before it packs it, and the installer once written.
    [ -z "${KALVERO_SIGN_PFX:-}" ] || sign=("-DSIGN=bash installer/package.sh kalvero_sign")
    for exe in 64 32; do  # « Espace requis »: the one exe that is installed, in whole KB
        kb+=("-DKB$exe=$((($(stat -c %s build/release/win$exe/Kalvero.exe) + 1023) / 1024))")
    done
    makensis -V2 -WX -NOCD "-DVERSION=${2:-$(kalvero_version)}" \
        -DEXE64=build/release/win64/Kalvero.exe -DEXE32=build/release/win32/Kalvero.exe "${kb[@]}" \
        "-DPUBLISHER=$(kalvero_maker NAME)" "-DWEBSITE=$(kalvero_maker WEBSITE)" \
        "-DEMAIL=$(kalvero_maker EMAIL)" "${sign[@]}" "-DOUTFILE=$1" installer/kalvero.nsi
}

# wixl gives each build new codes and its own time: here the product code follows the version,
# the package code the version and the exe, and the summary's times are the commit's time.
# What wixl cannot express is added after it (see kalvero.wxs): the codepage, the exe's version and
# language, and the custom actions. Its summary's texts are then written in the package's codepage.
kalvero_msi() {
    local v=${2:-$(kalvero_version)} codes idt=build/release/msi
    codes=$(python3 -c 'import sys, uuid; n = uuid.UUID("72079122-306A-4BEB-AD93-83B980D94B19")
print(str(uuid.uuid5(n, "product " + sys.argv[1])).upper(), str(uuid.uuid5(n, "package " + sys.argv[1] + " " + sys.argv[2])).upper())' \
        "$v" "$(sha256sum <build/release/win64/Kalvero.exe)") || return 1
    # wixl refuses accents in -D values, not in the files it reads.
    { echo '<?xml version="1.0" encoding="utf-8"?><Include>' && for n in NAME WEBSITE EMAIL; do
        printf '<?define Maker%s="%s"?>\n' "$n" "$(kalvero_maker "$n" | sed 's/&/\&amp;/g; s/"/\&quot;/g; s/</\&lt;/g')"
    done && echo '</Include>'; } >build/release/maker.wxi || return 1
    # forget_run.dll's custom actions (name, type, source, target) and when each runs (condition, sequence).
    local forget_run=() a name type source target condition sequence
    for a in "ForgetRunData|51|ForgetRun|[INSTALLFOLDER]Kalvero.exe|REMOVE=\"ALL\" AND NOT UPGRADINGPRODUCTCODE|3498" \
        "ForgetRun|3137|ForgetRun|ForgetRun|REMOVE=\"ALL\" AND NOT UPGRADINGPRODUCTCODE|3499" \
        "SaveRun|65|ForgetRun|SaveRun|WIX_UPGRADE_DETECTED AND NOT REMOVE|1350" \
        "KeepRun|3137|ForgetRun|KeepRun|WIX_UPGRADE_DETECTED AND NOT REMOVE|4001"; do
        IFS='|' read -r name type source target condition sequence <<<"$a"
        forget_run+=(-q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('$name', $type,
            '$source', '$target')" -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`)
            VALUES ('$name', '$condition', $sequence)")
    done
    # Tables to import: the codepage of the whole database, and the custom action's DLL (Binary/).
    rm -rf "$idt" && mkdir -p "$idt/Binary" && cp build/windows-x64/forget_run.dll "$idt/Binary/" &&
        printf '\r\n\r\n1252\t_ForceCodepage\r\n' >"$idt/_ForceCodepage.idt" &&
        printf 'Name\tData\r\ns72\tv0\r\nBinary\tName\r\nForgetRun\tforget_run.dll\r\n' >"$idt/Binary.idt" || return 1
    # wixl finds sources relative to the .wxs file.
    TZ=UTC faketime -f "$(TZ=UTC date -d "@${SOURCE_DATE_EPOCH:?}" '+%Y-%m-%d %H:%M:%S')" \
        wixl -a x64 -D "Version=$v" -D "ProductCode=${codes% *}" -D Exe=../build/release/win64/Kalvero.exe \
        -o "$1" installer/kalvero.wxs && [ -s "$1" ] &&
        (msi=$(realpath "$1") && cd "$idt" && msibuild "$msi" -i _ForceCodepage.idt -i Binary.idt) &&  # streams from where it runs
        msibuild "$1" \
            -q "UPDATE \`File\` SET \`Version\` = '$(kalvero_version).0', \`Language\` = '1036' WHERE \`File\` = 'KalveroExe'" \
            -q "DELETE FROM \`MsiFileHash\` WHERE \`File_\` = 'KalveroExe'" \
            "${forget_run[@]}" \
            -q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('SetInstallLocation', 51,
                'ARPINSTALLLOCATION', '[INSTALLFOLDER]')" \
            -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('SetInstallLocation', 1001)" &&
        msibuild "$1" -s "Kalvero $v" "$(kalvero_maker NAME)" "x64;1036" "{${codes#* }}" &&
        kalvero_python - "$1" <<'PY' && kalvero_sign "$1"
# msibuild writes the summary's texts in UTF-8 whatever codepage it declares (1252): they are written
# again in CP1252, the stream padded to its size (olefile rewrites a stream in place).
import struct, sys, olefile
ole = olefile.OleFileIO(sys.argv[1], write_mode=True)
data = ole.openstream("\x05SummaryInformation").read()
at = struct.unpack_from("<I", data, 44)[0]  # the one section
count = struct.unpack_from("<I", data, at + 4)[0]
props = []
for i in range(count):
    pid, offset = struct.unpack_from("<II", data, at + 8 + 8 * i)
    kind = struct.unpack_from("<I", data, at + offset)[0]
    if kind == 30:  # VT_LPSTR: size with its NUL, then the text, padded to 4
        size = struct.unpack_from("<I", data, at + offset + 4)[0]
        text = data[at + offset + 8:at + offset + 8 + size].rstrip(b"\0").decode("utf-8").encode("cp1252") + b"\0"
        value = struct.pack("<II", kind, len(text)) + text + b"\0" * (-len(text) % 4)
    else:  # the codepage (VT_I2), the counts (VT_I4) and the times (VT_FILETIME), as they are
        value = data[at + offset:at + offset + {2: 8, 3: 8, 64: 12}[kind]]
    props.append((pid, value))
table, body, where = b"", b"", 8 + 8 * count
for pid, value in props:
    table, body, where = table + struct.pack("<II", pid, where), body + value, where + len(value)
section = table + body
size = len(data) - at
ole.write_stream("\x05SummaryInformation", data[:at] + struct.pack("<II", size, count) + section + b"\0" * (size - 8 - len(section)))
PY
}

# Debian's Python, whose modules scripts/deps.sh installs, even where another python3 comes first in PATH.
kalvero_python() { if [ -x /usr/bin/python3 ]; then /usr/bin/python3 "$@"; else python3 "$@"; fi; }

# bash installer/package.sh FUNCTION ARGS...: for makensis, which signs through a command line.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then "$@"; fi
