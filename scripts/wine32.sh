#!/bin/bash
# A Wine that runs 32-bit Windows programs, for the tests of the x86 exe and of the (32-bit) setup.exe.
# This machine's kernel runs no 32-bit ELF program, so Debian's wine32:i386 cannot start here, and
# installed on the machine itself it would break the 64-bit wine. It lives in a Debian 12 chroot kept
# in a cache outside the checkout, and the kernel hands every i386 ELF to the chroot's user-mode qemu
# through binfmt_misc. Root only.
#   scripts/wine32.sh up [HOLDER]    makes the chroot once (about 2.5 min; then seconds), registers the
#                                    binfmt entry, mounts, binds /tmp and this checkout, writes the
#                                    wine, wineserver and wineboot wrappers; HOLDER (a pid, default the
#                                    caller's) keeps them until "down HOLDER"
#   scripts/wine32.sh down [HOLDER]  the last holder gone (or dead), undoes the entry and the mounts
#   scripts/wine32.sh bin            prints the wrappers' folder, or fails when it is not up
# On failure it says what is missing on stderr and exits 1 (2: not root or no binfmt_misc).
set -uo pipefail
cache=${KALVERO_WINE32_CACHE:-/var/cache/kalvero}
root=$cache/wine32-chroot bin=$cache/wine32-bin entry=kalvero-i386
recipe=1  # bump when the chroot's recipe changes: the next "up" makes it afresh
binfmt=/proc/sys/fs/binfmt_misc
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
say() { echo "wine32: $*" >&2; }

mounted() { findmnt -rn -M "$1" >/dev/null 2>&1; }
# Every mount under the chroot, deepest first, lazily when a process lingers (a wineserver): /tmp must
# be unbound before anybody may delete the chroot.
unmount_all() {
    local m
    for m in $(findmnt -rn -o TARGET | grep -F "$root/" | sort -r); do
        umount "$m" 2>/dev/null || umount -l "$m"
    done
}
unregister() { [ -e "$binfmt/$entry" ] && echo -1 >"$binfmt/$entry"; [ ! -e "$binfmt/$entry" ]; }

# The host's own Debian mirror (CI machines have no other network), from its apt sources.
mirror() { # SUITE
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] && awk -v s="$1" '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i !~ /^\[/ && $i ~ /:\/\//) { if ($(i + 1) == s) { print $i; exit } break } }' "$f"
    done
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && awk -v s="$1" 'BEGIN { RS = ""; FS = "\n" } { u = ""; ok = 0
            for (i = 1; i <= NF; i++) { if ($i ~ /^URIs:/) { split($i, a, " "); u = a[2] }
                if ($i ~ /^Suites:/) { n = split($i, b, " "); for (j = 2; j <= n; j++) if (b[j] == s) ok = 1 } }
            if (ok && u != "") { print u; exit } }' "$f"
    done
}

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive LC_ALL=C "$@"; }

# Each bind is made private at once: on a machine whose mounts are shared (systemd), a mount or unmount
# under a bound /dev would otherwise reach the host's own /dev.
bind() { mount --bind "$1" "$2" && mount --make-private "$2"; }
mount_all() {
    local d
    mounted "$root/proc" || mount -t proc proc "$root/proc" || return 1
    mounted "$root/sys" || mount -t sysfs sysfs "$root/sys" || return 1
    mounted "$root/dev" || bind /dev "$root/dev" || return 1
    mounted "$root/dev/pts" || bind /dev/pts "$root/dev/pts" || return 1
    mounted "$root/dev/shm" || mount -t tmpfs shm "$root/dev/shm" || return 1
    # One name everywhere for prefixes, build folders, X and wineserver sockets.
    for d in /tmp "$repo"; do
        [[ $d == /tmp/* ]] && continue  # a checkout under /tmp comes with it
        mkdir -p "$root$d" && { mounted "$root$d" || bind "$d" "$root$d"; } || return 1
    done
}

register() {
    local qemu=$root/usr/libexec/qemu-binfmt/i386-binfmt-P
    [ -e "$binfmt/$entry" ] && return 0
    [ -x "$qemu" ] || { say "qemu-user-static is missing in the chroot ($qemu)"; return 1; }
    # F: the kernel opens the interpreter now, so it works inside and outside the chroot.
    echo ":$entry:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$qemu:OPF" >"$binfmt/register"
}

make_root() {
    local main security
    main=$(mirror bookworm | head -n1) security=$(mirror bookworm-security | head -n1)
    [ -n "$main" ] || { say "no Debian bookworm mirror in /etc/apt/sources.list(.d): cannot make the chroot"; return 1; }
    [ -n "$security" ] || security=${main%/debian}/debian-security
    if [ ! -f "$root/.debootstrap-done" ]; then
        unmount_all
        findmnt -rn -o TARGET | grep -qF "$root/" && { say "$root still has mounts: not deleting it"; return 1; }
        rm -rf "$root"
        command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap >&2 ||
            { say "debootstrap is missing and could not be installed"; return 1; }
        say "making the chroot in $root (once, about 2.5 min)"
        debootstrap --variant=minbase bookworm "$root" "$main" >"$cache/debootstrap.log" 2>&1 ||
            { say "debootstrap failed (no network to $main?); see $cache/debootstrap.log"; return 1; }
        touch "$root/.debootstrap-done"
    fi
    mount_all || { say "mounting into the chroot failed"; return 1; }
    printf 'deb %s %s main\n' "$main" bookworm "$main" bookworm-updates "$main" bookworm-backports \
        "$security" bookworm-security >"$root/etc/apt/sources.list"
    # wine32's own install scripts run i386 programs: qemu 10 from backports first (bookworm's 7.2
    # takes about a minute for each 32-bit Wine start), and registered, then Wine.
    { in_root dpkg --add-architecture i386 && in_root apt-get update -q &&
        in_root apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user-static && register &&
        in_root apt-get install -y -q --no-install-recommends wine wine64 wine32:i386 fonts-wine &&
        in_root apt-get clean; } >"$cache/apt.log" 2>&1 ||
        { say "installing Wine in the chroot failed; see $cache/apt.log"; return 1; }
    touch "$root/.kalvero-recipe-$recipe"
}

wrappers() {
    mkdir -p "$bin" || return 1
    # The chroot's 64-bit loader hands a 32-bit exe to the 32-bit one; Debian's /usr/bin/wine would start
    # the 32-bit loader under qemu first even for 64-bit tools (0.9 s instead of 0.17 s). A 32-bit prefix
    # (WINEARCH=win32, or made so) needs the 32-bit loader itself.
    cat >"$bin/wine" <<EOF
#!/bin/sh
loader=/usr/lib/wine/wine64
if [ "\${WINEARCH:-}" = win32 ] || grep -qs '^#arch=win32' "\${WINEPREFIX:-\$HOME/.wine}/system.reg"; then loader=/usr/lib/wine/wine; fi
exec chroot '$root' /bin/sh -c 'cd "\$0" 2>/dev/null || cd /; exec "\$@"' "\$PWD" "\$loader" "\$@"
EOF
    cat >"$bin/wineserver" <<EOF
#!/bin/sh
exec chroot '$root' /bin/sh -c 'cd "\$0" 2>/dev/null || cd /; exec "\$@"' "\$PWD" /usr/lib/wine/wineserver64 "\$@"
EOF
    printf '#!/bin/sh\nexec "%s/wine" wineboot "$@"\n' "$bin" >"$bin/wineboot"
    chmod +x "$bin/wine" "$bin/wineserver" "$bin/wineboot"
}

up() {
    if [ ! -d "$binfmt" ] || ! mounted "$binfmt"; then
        { modprobe binfmt_misc 2>/dev/null; mkdir -p "$binfmt" && mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null &&
            touch "$cache/.binfmt-mounted"; } || mounted "$binfmt" ||
            { say "this kernel offers no binfmt_misc (cannot mount it at $binfmt)"; return 2; }
    fi
    if [ -f "$root/.kalvero-recipe-$recipe" ]; then mount_all && register; else make_root; fi &&
        wrappers || { unmount_all; unregister; return 1; }
    mkdir -p "$cache/holders" && started "${1:-$PPID}" >"$cache/holders/${1:-$PPID}"
    "$bin/wine" --version >/dev/null 2>&1 || { say "the chroot's Wine does not start"; down "${1:-$PPID}"; return 1; }
}

# A holder is a process, known by its pid and start time (a pid may be reused).
started() { sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | awk '$1 != "Z" { print $20 }'; }  # a zombie has ended
down() {
    local h
    rm -f "$cache/holders/${1:-$PPID}"
    for h in "$cache"/holders/*; do [ -e "$h" ] && [ "$(started "${h##*/}")" != "$(cat "$h")" ] && rm -f "$h"; done
    compgen -G "$cache/holders/*" >/dev/null && return 0  # another test command still runs
    # What still runs in the chroot is ours (the wineserver of an interrupted test): it goes first.
    for h in /proc/[0-9]*; do [ "$(readlink "$h/root")" = "$root" ] && kill -9 "${h#/proc/}" 2>/dev/null; done
    unregister
    unmount_all
    [ -f "$cache/.binfmt-mounted" ] && umount "$binfmt" 2>/dev/null && rm -f "$cache/.binfmt-mounted"
    ! findmnt -rn -o TARGET | grep -qF "$root/"
}

case ${1:-} in
up | down)
    [ "$(id -u)" -eq 0 ] || { say "needs root (chroot, mount, binfmt_misc)"; exit 2; }
    mkdir -p "$cache" && exec 9>"$cache/.wine32.lock" && flock 9 || exit 1 ;;
esac
case ${1:-} in
up) up "${2:-}" ;;
down) down "${2:-}" ;;
bin) # the wrappers' folder, once up
    [ -x "$bin/wine" ] && [ -e "$binfmt/$entry" ] && echo "$bin" || { say "not up: run 'scripts/wine32.sh up' as root"; exit 1; } ;;
*) sed -n '2,13s/^# \{0,1\}//p' "$0" >&2 && exit 2 ;;
esac
