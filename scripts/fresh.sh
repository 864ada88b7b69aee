#!/bin/bash
# Makes this machine as fresh as it can be before a proving run of the test command (README), so that
# the run sets everything up again as on a new machine: the 32-bit Wine's chroot taken down and deleted,
# every test prefix and template, Wine's own folders and caches in the home folder, the virtual displays
# the tests started, and the Wine packages purged with what apt then autoremoves and apt's downloads,
# for scripts/deps.sh to fetch and install again. Root (or sudo).
#   scripts/fresh.sh [--dry-run] [--helpers] [--force]
#     --dry-run  prints what it would do, and does nothing
#     --helpers  also the test roots /tmp/kt-*, which people running the tests side by side use
#     --force    even while a test run or a holder of the 32-bit Wine is active (they will fail)
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${KALVERO_WINE32_CACHE:-/var/cache/kalvero}
dry=0 helpers=0 force=0
for a; do
    case $a in
    --dry-run) dry=1 ;; --helpers) helpers=1 ;; --force) force=1 ;;
    *) sed -n '2,11s/^# \{0,1\}//p' "$0" >&2 && exit 2 ;;
    esac
done
sudo=() && [ "$(id -u)" -eq 0 ] || sudo=(sudo)
do_() { echo "+ $*" && { [ $dry = 1 ] || "$@"; }; }  # COMMAND...: said, then done unless dry
as_root() { do_ "${sudo[@]}" "$@"; }

# What is active: a holder of the 32-bit Wine whose process lives (pid and start time, as wine32.sh
# keeps them), and the processes of a test run.
started() { sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | awk '$1 != "Z" { print $20 }'; }
holders=() live=()
for h in "$cache"/holders/*; do
    [ -e "$h" ] || continue
    holders+=("${h##*/}")
    [ "$(started "${h##*/}")" = "$(cat "$h")" ] && live+=("${h##*/}")
done
runs=$(for p in /proc/[0-9]*; do
    [ "${p#/proc/}" = $$ ] && continue
    c=$(tr '\0' ' ' <"$p/cmdline" 2>/dev/null) &&
        [[ $c =~ (scripts/test\.sh|tests/installer/(installer|release)\.sh|tools/faults\.sh|bench/run\.sh|(^|/)ctest\ ) ]] && echo "${p#/proc/} $c"
done)
if [ ${#live[@]} -gt 0 ] || [ -n "$runs" ]; then
    [ ${#live[@]} -eq 0 ] || echo "fresh: the 32-bit Wine is held by: ${live[*]}" >&2
    [ -z "$runs" ] || echo "fresh: test runs are active:"$'\n'"$runs" >&2
    [ $force = 1 ] || { echo "fresh: refusing while they run (--force to go on anyway)" >&2 && exit 1; }
fi

# The test roots: prefixes, templates, pictures, the pid files of the displays they started.
roots=(/tmp/kalvero-*)
[ $helpers = 0 ] || roots+=(/tmp/kt-*)
roots=($(for r in "${roots[@]}"; do [ -d "$r" ] && echo "$r"; done))
[ $helpers = 1 ] || ! compgen -G '/tmp/kt-*' >/dev/null || echo "fresh: leaving /tmp/kt-* (--helpers to remove them too)"

# The 32-bit Wine first: its holders released, then its chroot, once nothing is mounted in it.
for h in "${holders[@]}" $$; do as_root bash "$repo/scripts/wine32.sh" down "$h"; done
if [ -e "$cache" ]; then
    if [ $dry = 0 ] && findmnt -rn -o TARGET | grep -qF "$cache/"; then
        echo "fresh: $cache still has mounts: not deleting it" >&2 && exit 1
    fi
    as_root rm -rf "$cache"
fi

# Each root's Wine sessions (the machine's Wine; the chroot's went with it), displays and files.
for r in "${roots[@]}"; do
    for p in "$r"/*/ "$r"/wine32-*/*/; do
        [ -f "$p/system.reg" ] && command -v wineserver >/dev/null && do_ env WINEPREFIX="${p%/}" wineserver -k
    done
    for f in "$r"/xvfb*.pid "$r"/wine32-*/xvfb*.pid; do
        pid=$(cat "$f" 2>/dev/null) && grep -qa Xvfb "/proc/$pid/cmdline" 2>/dev/null && do_ kill "$pid"
    done
    as_root rm -rf "$r"
done

# Wine's folders and caches of the user (and root's, when run through sudo), and its socket folders.
for home in "$HOME" ${SUDO_USER:+"$(getent passwd "$SUDO_USER" | cut -d: -f6)"}; do
    for d in "$home"/{.wine,.cache/wine,.cache/winetricks,.local/share/wineprefixes,.local/share/applications/wine} \
        "$home"/.config/menus/applications-merged/wine-* "$home"/.local/share/desktop-directories/wine-*; do
        [ -e "$d" ] && as_root rm -rf "$d"
    done
done
for d in /tmp/.wine-*; do [ -e "$d" ] && as_root rm -rf "$d"; done

# The packages, and what they alone had pulled in.
installed=$(dpkg-query -W -f='${Package} ${Status}\n' wine wine64 libwine fonts-wine 2>/dev/null | awk '/install ok installed/ { print $1 }')
[ -z "$installed" ] || { as_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q $installed &&
    as_root env DEBIAN_FRONTEND=noninteractive apt-get autoremove --purge -y -q; }
# The packages apt downloaded, so that they come from the mirror again, as on a new machine.
as_root apt-get clean
[ $dry = 0 ] && echo "fresh: done" || echo "fresh: dry run: nothing was changed"
