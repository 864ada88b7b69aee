#!/bin/bash
# Screenshots of Kalvero's window at 100 % and 150 % scaling, of its settings and About windows and
# of its notification-area icon, for the docs.
#   scripts/screenshot.sh [path/to/Kalvero.exe [SHOT...]]
#     SHOT: strip-100 strip-150 settings about tray menu-arret menu-redemarrage menu-deconnexion
# Runs the exe under Wine on Xvfb in a prefix of its own and writes docs/SHOT.png for each SHOT (all
# five by default): strip-*: just the window, caption included; settings: the settings window, opened
# with its button as a user would; about: the About window, opened from there with "A propos"; tray:
# Wine's tray window with the icon and its tip, after a start in the tray and a hover over the icon;
# menu-*: the strip with a power button's menu, opened by a right-click (the shutdown one with its
# « Arrêter dans » submenu, after a delay Wine's shutdown.exe stub took, so that its cancel line shows).
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/wine-env.sh"
exe=${1:-$root/build/windows-x64/Kalvero.exe}
shift $(($# > 0))
shots=${*:-strip-100 strip-150 settings about tray menu-arret menu-redemarrage menu-deconnexion}
keepalive=$root/build/windows-x64/tests/wine/keepalive.exe
export WINEPREFIX="$KALVERO_TEST_ROOT/shots"

if [ ! -f "$exe" ]; then
    echo "no $exe: build it first (cmake --preset windows-x64 && cmake --build --preset windows-x64)" >&2
    exit 1
fi
kalvero_xvfb_start || exit 1
kalvero_prefix_current || kalvero_prefix_new "$WINEPREFIX" || exit 1
# Wine draws the caption buttons from its Marlett font, else an "r" stands for the close box. Debian's
# fonts-wine ships it, but Debian's Wine 8 does not look where fonts-wine puts it: the prefix gets a copy.
cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
kalvero_wine_stop  # a Kalvero left running would make ours exit at once: single instance
if [ -f "$keepalive" ]; then kalvero_keepalive_start "$keepalive" || exit 1; fi

shoot() {  # shoot DPI OUT [settings|about]
    local dpi=$1 out=$2 what=${3:-} pid id
    # The next process sees the new DPI; the default position keeps the window where it shows.
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wine reg delete 'HKCU\Software\VB and VBA Program Settings\Kalvero' /f >/dev/null 2>&1
    wine "$exe" >/dev/null 2>&1 &
    pid=$!
    # By pid: tests may be showing other Kalvero windows on the same display.
    id=$(timeout 20 xdotool search --sync --all --onlyvisible --pid "$pid" --name '^Kalvero$' | head -n 1)
    if [ -z "$id" ]; then
        echo "Kalvero's window did not show at $dpi dpi" >&2
        kill "$pid" 2>/dev/null
        return 1
    fi
    if [ -n "$what" ] && ! id=$(open_settings "$id" "$pid" "$dpi"); then
        echo "the settings window did not open at $dpi dpi" >&2
        kill "$pid" 2>/dev/null
        return 1
    fi
    if [ "$what" = about ] && ! id=$(open_about "$id" "$pid" "$dpi"); then
        echo "the About window did not open at $dpi dpi" >&2
        kill "$pid" 2>/dev/null
        return 1
    fi
    sleep 1  # let the caption and the buttons paint
    /usr/bin/import -window "$id" "$out" || return 1
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    echo "saved $out ($(/usr/bin/identify -format '%wx%h' "$out") at $dpi dpi)"
}

# open_settings MAIN_ID PID DPI: clicks the settings button and prints the settings window's X id.
# Unmanaged, the X window holds Wine's own frame too: the client area (2415 x 495 twips) is inset by
# the border at the left, right and bottom. The button's middle is 1687, 247 twips into it.
open_settings() {
    local WIDTH HEIGHT border top
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(WIDTH|HEIGHT)=')"
    border=$(((WIDTH - (2415 * $3 + 720) / 1440) / 2))
    top=$((HEIGHT - border - (495 * $3 + 720) / 1440))
    xdotool mousemove --window "$1" $((border + (1687 * $3 + 720) / 1440)) $((top + (247 * $3 + 720) / 1440)) click 1
    timeout 10 xdotool search --sync --all --onlyvisible --pid "$2" --name '^Kalvero - Réglages$' | head -n 1 | grep .
}

# open_about SETTINGS_ID PID DPI: clicks "A propos" and prints the About window's X id (its caption
# ends with a blank). The settings window's client area is 4335 x 2550 twips; the button's middle is
# 967, 2047 twips into it. The pointer then moves away, so that no tip covers the shot.
open_about() {
    local WIDTH HEIGHT border top
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(WIDTH|HEIGHT)=')"
    border=$(((WIDTH - (4335 * $3 + 720) / 1440) / 2))
    top=$((HEIGHT - border - (2550 * $3 + 720) / 1440))
    xdotool mousemove --window "$1" $((border + (967 * $3 + 720) / 1440)) $((top + (2047 * $3 + 720) / 1440)) click 1 \
        mousemove 1279 1023
    timeout 10 xdotool search --sync --all --onlyvisible --pid "$2" --name '^Kalvero - A propos $' | head -n 1 | grep .
}

# shoot_tray OUT
shoot_tray() {
    local out=$1 pid tray x y left top width height
    local key='HKCU\Software\VB and VBA Program Settings\Kalvero\Settings'
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
    wine reg delete 'HKCU\Software\VB and VBA Program Settings\Kalvero' /f >/dev/null 2>&1
    wine reg add "$key" /v AutoReduit /t REG_SZ /d 1 /f >/dev/null 2>&1
    wine "$exe" >/dev/null 2>&1 &
    pid=$!
    # Wine's own tray window, with no manager on the display. The one icon has no X window of its own: it
    # is the first cell, 20 pixels square at 3,22 in the tray at 96 dpi.
    if ! tray=$(timeout 20 xdotool search --sync --onlyvisible --name '^Wine System Tray$' | head -n 1) || [ -z "$tray" ]; then
        echo "Kalvero's tray icon did not show" >&2
        kill "$pid" 2>/dev/null
        return 1
    fi
    eval "$(xdotool getwindowgeometry --shell "$tray")"
    left=$X top=$Y width=$WIDTH height=$HEIGHT x=$((X + 13)) y=$((Y + 32))
    # The tip needs moves inside the icon, then its delay.
    xdotool mousemove $((x - 1)) $((y - 1)) sleep 0.1 mousemove "$x" "$y" sleep 0.1 mousemove $((x + 1)) "$y"
    sleep 1.5
    # The tip shows about 20 px below the pointer.
    /usr/bin/import -window root -crop "${width}x$((height + 30))+$left+$top" +repage "$out" || return 1
    xdotool mousemove 1279 1023
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    echo "saved $out ($(/usr/bin/identify -format '%wx%h' "$out"))"
}

# shoot_menu OUT BUTTON [KEYS]: Kalvero at 96 dpi, KEYS typed into the BUTTON's menu (0, 1 or 2: shut down,
# restart, log off) first, then its menu opened by a right-click on the button's middle (the buttons are 480
# twips apart, 495 wide), and the screen around the strip taken once the menu shows.
shoot_menu() {
    local out=$1 button=$2 keys=${3:-} pid id WIDTH HEIGHT X Y border top x y
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
    wine reg delete 'HKCU\Software\VB and VBA Program Settings\Kalvero' /f >/dev/null 2>&1
    # Wine's own shutdown.exe, a stub that does nothing and takes every request, rather than a stand-in.
    WINEDLLOVERRIDES=${WINEDLLOVERRIDES/shutdown.exe=n;/} wine "$exe" >/dev/null 2>&1 &
    pid=$!
    id=$(timeout 20 xdotool search --sync --all --onlyvisible --pid "$pid" --name '^Kalvero$' | head -n 1)
    [ -n "$id" ] || { echo "Kalvero's window did not show" >&2 && kill "$pid" 2>/dev/null && return 1; }
    eval "$(xdotool getwindowgeometry --shell "$id")"
    border=$(((WIDTH - 161) / 2)) top=$((HEIGHT - (WIDTH - 161) / 2 - 33))
    x=$((X + border + 16 + 32 * button)) y=$((Y + top + 16))
    menu() { xdotool mousemove "$x" "$y" sleep 0.3 click 3 sleep 1; }  # a right-click on the button
    if [ -n "$keys" ]; then
        menu && xdotool key --delay 300 $keys
        sleep 2  # the request runs and ends; Kalvero looks five times a second
    fi
    menu
    [ "$button" != 0 ] || xdotool key d sleep 1  # and its submenu
    /usr/bin/import -window root -crop 560x200+"$X"+"$Y" +repage "$out" || return 1
    xdotool key Escape Escape mousemove 1279 1023
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    echo "saved $out ($(/usr/bin/identify -format '%wx%h' "$out"))"
}

mkdir -p "$root/docs"
status=0
for shot in $shots; do
    case $shot in
    strip-100) shoot 96 "$root/docs/strip-100.png" || status=1 ;;
    strip-150) shoot 144 "$root/docs/strip-150.png" || status=1 ;;
    settings) shoot 96 "$root/docs/settings.png" settings || status=1 ;;
    about) shoot 96 "$root/docs/about.png" about || status=1 ;;
    tray) shoot_tray "$root/docs/tray.png" || status=1 ;;
    menu-arret) shoot_menu "$root/docs/menu-arret.png" 0 "d 3" || status=1 ;;
    menu-redemarrage) shoot_menu "$root/docs/menu-redemarrage.png" 1 || status=1 ;;
    menu-deconnexion) shoot_menu "$root/docs/menu-deconnexion.png" 2 || status=1 ;;
    *) echo "unknown shot: $shot" >&2 && status=1 ;;
    esac
done
kalvero_wine_stop
exit $status
