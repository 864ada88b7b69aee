# shellcheck shell=bash
# Wine environment for running Kalvero (scripts/run.sh), its tests, benchmarks and screenshots:
#   . scripts/wine-env.sh
#   kalvero_xvfb_start && kalvero_prefix_new && kalvero_keepalive_start path/to/keepalive.exe
#   wine ...; kalvero_wine_stop; kalvero_xvfb_stop
# Every function is idempotent, may run in several scripts at once, and never fails a set -e caller by a
# best-effort step. Nothing here installs packages.
: "${KALVERO_TEST_ROOT:=/tmp/kalvero-test}"
# The tests of a build tree (KALVERO_TREE: the folder of its test exes) have prefixes of their own: two runs
# sharing one end each other's Wine sessions, and a test whose session ends under it dies without a word.
KALVERO_TAG=${KALVERO_TREE:+-$(echo "$KALVERO_TREE" | md5sum | cut -c1-8)}
export KALVERO_TEST_ROOT WINEPREFIX="${WINEPREFIX:-$KALVERO_TEST_ROOT/pfx$KALVERO_TAG}" WINEDEBUG="${WINEDEBUG:--all}"
# Wine names Unix files in the locale's charset: without UTF-8 it cannot make non-ASCII folder names.
export DISPLAY="${DISPLAY:-:99}" LC_ALL=C.UTF-8
# No Mono/Gecko prompts, no menu entries in ~/.local, no debugger that would hang on a crash, and a
# native shutdown.exe (the recorder) may replace Wine's stub.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d;shutdown.exe=n;msinfo32.exe=n"
# Bump when the template recipe changes: prefixes made from an older one are then rebuilt.
KALVERO_TEMPLATE_VERSION=1 KALVERO_TEMPLATE="$KALVERO_TEST_ROOT/template"

# kalvero_wine32 [win32]: from here on, the 32-bit-capable Wine that scripts/wine32.sh sets up (it must be up),
# in a 64-bit prefix (64-bit Windows), or with win32 in a 32-bit one; with a test folder, template and prefix of
# its own (a prefix made by another Wine cannot start anything under this one). KALVERO_WINE32=win64 or win32
# in the environment does the same when this file is sourced (CTest's x86 tests).
kalvero_wine32() {
    local bin
    bin=$(bash "$(dirname "${BASH_SOURCE[0]}")/wine32.sh" bin) || return 1
    export PATH=$bin:${PATH//$bin:/} WINEARCH=${1:-win64} KALVERO_TEST_ROOT=${KALVERO_TEST_ROOT%/wine32-win*}/wine32-${1:-win64}
    export WINEPREFIX=$KALVERO_TEST_ROOT/pfx KALVERO_TEMPLATE=$KALVERO_TEST_ROOT/template
}
if [ -n "${KALVERO_WINE32:-}" ]; then kalvero_wine32 "$KALVERO_WINE32" || return 1; fi

# _kalvero_detach LOG COMMAND...: runs it in its own session with no inherited descriptor (a lock or a CTest
# output pipe held by a long-lived server would block its owner for good). Sets _kalvero_pid.
_kalvero_detach() {
    (for fd in /proc/$BASHPID/fd/*; do fd=${fd##*/}; [ "$fd" -gt 2 ] 2>/dev/null && eval "exec $fd>&-"; done
        exec setsid "${@:2}" </dev/null >>"$1" 2>&1) &
    _kalvero_pid=$!
}

# Starts Xvfb (1280x1024x24) on $DISPLAY unless an X server already answers there.
kalvero_xvfb_start() {
    local n=${DISPLAY#*:}
    n=${n%%.*}
    mkdir -p "$KALVERO_TEST_ROOT" && (
        flock 9
        xdotool getdisplaygeometry >/dev/null 2>&1 && exit 0
        # A server that died leaves its lock file behind, and Xvfb would refuse the display.
        pid=$({ tr -d ' \n' <"/tmp/.X$n-lock"; } 2>/dev/null) && ! kill -0 "$pid" 2>/dev/null && rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
        _kalvero_detach "$KALVERO_TEST_ROOT/xvfb.log" Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp
        echo "$_kalvero_pid" >"$KALVERO_TEST_ROOT/xvfb$n.pid"
        for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && exit 0; sleep 0.1; done
        echo "kalvero: Xvfb did not answer on $DISPLAY; see $KALVERO_TEST_ROOT/xvfb.log" >&2 && exit 1
    ) 9>"$KALVERO_TEST_ROOT/.xvfb.lock"
}

# Stops the Xvfb that kalvero_xvfb_start started on $DISPLAY, if any; never another X server.
kalvero_xvfb_stop() {
    local n=${DISPLAY#*:} pid
    n=${n%%.*}
    pid=$(cat "$KALVERO_TEST_ROOT/xvfb$n.pid" 2>/dev/null) && grep -qa Xvfb "/proc/$pid/cmdline" 2>/dev/null &&
        kill "$pid" && for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    rm -f "$KALVERO_TEST_ROOT/xvfb$n.pid"
}

# kalvero_prefix_new [DIR]: DIR (default $WINEPREFIX) becomes a fresh copy of the template. Only ever
# replaces a folder that this file created. The template is made once (about 12 s), in a side folder
# renamed at the end so that nobody copies a half-made one. Managed=N: with no window manager, every
# hide or close would stall 2 s. Its steps log to template.log with Wine's errors; a failed attempt's log
# is kept as template-failed-N.log, the step named. Wine now and then ends a process it has just started
# (see kalvero_keepalive_start), so a failed attempt is made once more, from scratch, and noted in
# hiccups.log.
kalvero_prefix_new() {
    local dir=${1:-$WINEPREFIX} marker=".kalvero-template-$KALVERO_TEMPLATE_VERSION"
    [ ! -e "$dir" ] || [ -f "$dir/.kalvero-prefix" ] ||
        { echo "kalvero: refusing to replace $dir: not a Kalvero test prefix" >&2 && return 1; }
    mkdir -p "$KALVERO_TEST_ROOT" && (
        flock 9
        [ -f "$KALVERO_TEMPLATE/$marker" ] && exit 0
        export WINEPREFIX="$KALVERO_TEMPLATE.new" WINEDEBUG=-all,err+all
        log=$KALVERO_TEST_ROOT/template.log
        step() { echo "== $1" && "${@:2}" || { echo "== failed: $1 (exit $?)" && return 1; }; }  # NAME COMMAND...
        for try in 1 2; do
            wineserver -k >/dev/null 2>&1
            rm -rf "$WINEPREFIX" "$KALVERO_TEMPLATE"
            { step "wineboot -u" env DISPLAY= wineboot -u &&
                step "reg add Managed=N" env DISPLAY= wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f &&
                step "wineserver -w" wineserver -w; } </dev/null >"$log" 2>&1 9>&-
            failed=$(sed -n 's/^== failed: //p' "$log")
            [ -z "$failed" ] && { touch "$WINEPREFIX/$marker" && mv "$WINEPREFIX" "$KALVERO_TEMPLATE" && exit 0; failed="moving it into place"; }
            n=1 && while [ -e "$KALVERO_TEST_ROOT/template-failed-$n.log" ]; do n=$((n + 1)); done
            mv "$log" "$KALVERO_TEST_ROOT/template-failed-$n.log"
            echo "$(date -u +%FT%TZ) $KALVERO_TEMPLATE: creating the Wine prefix template failed at '$failed' (try $try); see $KALVERO_TEST_ROOT/template-failed-$n.log" |
                tee -a "$KALVERO_TEST_ROOT/hiccups.log" >&2
        done
        exit 1
    ) 9>"$KALVERO_TEST_ROOT/.template.lock" && kalvero_wine_stop "$dir" && rm -rf "$dir" "$dir.new" &&
        mkdir -p "$(dirname "$dir")" && cp -a "$KALVERO_TEMPLATE" "$dir.new" &&
        echo "$KALVERO_TEMPLATE_VERSION" >"$dir.new/.kalvero-prefix" && mv "$dir.new" "$dir"
}

# True when DIR (default $WINEPREFIX) is a prefix made from the current template recipe.
kalvero_prefix_current() { [ "$(cat "${1:-$WINEPREFIX}/.kalvero-prefix" 2>/dev/null)" = "$KALVERO_TEMPLATE_VERSION" ]; }

# kalvero_keepalive_start EXE: makes sure keepalive.exe runs in $WINEPREFIX, and waits until it owns its window
# and has said so with a file in C:\. A second one finds the first by its mutex, says the same and exits.
kalvero_keepalive_start() {
    local ready="$WINEPREFIX/drive_c/kalvero-keepalive.ready" try
    [ -f "$1" ] || { echo "kalvero: keepalive.exe not found: '$1'" >&2; return 1; }
    # Now and then (about one start in several hundred here) Wine ends a process it has just started,
    # without a word: once more, noted with Wine's errors in hiccups.log, before giving up.
    for try in 1 2; do
        rm -f "$ready" && _kalvero_detach "$WINEPREFIX/keepalive.log" env WINEDEBUG=-all,err+all wine "$1"
        for _ in $(seq 600); do [ ! -f "$ready" ] && kill -0 "$_kalvero_pid" 2>/dev/null && sleep 0.05 || break; done
        [ -f "$ready" ] && return 0
        { echo "$(date -u +%FT%TZ) $WINEPREFIX: keepalive.exe ended without coming up (try $try); its log ends:" &&
            tail -n 20 "$WINEPREFIX/keepalive.log"; } | tee -a "$KALVERO_TEST_ROOT/hiccups.log" >&2
    done
    return 1
}

# kalvero_wine_stop [DIR]: kills every Wine process of DIR (default $WINEPREFIX) and its wineserver.
kalvero_wine_stop() (
    export WINEPREFIX=${1:-$WINEPREFIX}
    wineserver -k
    wineserver -w
) >/dev/null 2>&1
