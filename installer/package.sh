# shellcheck shell=bash
# What the release script and the installer tests share: the version, the staged exes and the two
# installer builds. Source it from the repository's root.
#   kalvero_version               prints the version from resources/version.h, e.g. 1.0.0
#   kalvero_stage                 copies both built exes to build/release/{win64,win32}/
#   kalvero_setup OUT [TARGET]    the per-user installer (TARGET: x86-unicode, amd64-unicode)
#   kalvero_msi OUT [VERSION]     the per-machine package

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

# The staged copies carry the commit's time, which the installer and the zips record.
kalvero_stage() {
    local arch dir
    for arch in 64:x64 32:x86; do
        dir=build/release/win${arch%%:*}
        mkdir -p "$dir" && cp "build/windows-${arch#*:}/Kalvero.exe" "$dir/" &&
            touch -d "@${SOURCE_DATE_EPOCH:?}" "$dir/Kalvero.exe" || return 1
    done
}

kalvero_setup() {
    makensis -V2 -WX -NOCD "-DVERSION=$(kalvero_version)" "-DTARGET=${2:-x86-unicode}" \
        -DEXE64=build/release/win64/Kalvero.exe -DEXE32=build/release/win32/Kalvero.exe \
        "-DOUTFILE=$1" installer/kalvero.nsi
}

kalvero_msi() {
    # wixl finds sources relative to the .wxs file.
    wixl -a x64 -D "Version=${2:-$(kalvero_version)}" -D Exe=../build/release/win64/Kalvero.exe \
        -o "$1" installer/kalvero.wxs
}
