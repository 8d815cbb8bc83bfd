#!/usr/bin/env bash
# wine-env.sh CMD [ARGS...]
#
# Runs CMD inside the project's private Wine environment and returns its exit
# status: a prefix of our own (created once), a display (a private Xvfb when
# DISPLAY is unset) and a persistent wineserver. Concurrent runs on the same
# prefix (parallel CTest jobs) share the server and the Xvfb; the last run to
# finish stops them, by pid for Xvfb and with `wineserver -k` for our prefix.
#
#   ZARVEL_WINEPREFIX   prefix to use (default: <repo>/build/wineprefix)
#   ZARVEL_WINEDEBUG    WINEDEBUG for CMD (default: -all)
#
# Exported to CMD: WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES, WINELOADER, WINE,
# WINESERVER, DISPLAY, ZARVEL_WINE (the wine64 loader), ZARVEL_WINESERVER,
# ZARVEL_WINE_ENV_ACTIVE=1 (a nested wine-env.sh just runs its command).
set -uo pipefail

if [[ -n "${ZARVEL_WINE_ENV_ACTIVE:-}" ]]; then
    exec "$@"
fi
if (( $# == 0 )); then
    echo "usage: ${0##*/} CMD [ARGS...]" >&2
    exit 2
fi

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

export ZARVEL_WINE=/usr/lib/wine/wine64
export ZARVEL_WINESERVER=/usr/lib/wine/wineserver
export WINELOADER=$ZARVEL_WINE WINE=$ZARVEL_WINE WINESERVER=$ZARVEL_WINESERVER
export WINEDEBUG=${ZARVEL_WINEDEBUG:--all}
# No Mono/Gecko installer prompts, and no menu entries written into $HOME.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d"

for f in "$ZARVEL_WINE" "$ZARVEL_WINESERVER"; do
    [[ -x $f ]] || { echo "wine-env: $f missing (run scripts/setup-tools.sh)" >&2; exit 127; }
done

prefix=${ZARVEL_WINEPREFIX:-$repo/build/wineprefix}
mkdir -p "$(dirname "$prefix")" || exit 1
prefix="$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")"
export WINEPREFIX=$prefix
# Bookkeeping lives beside the prefix, so it exists before the prefix does.
state=$prefix.harness
mkdir -p "$state/users" || exit 1

# Bump when the prefix set-up below changes, so old prefixes get it too.
readonly SETUP_VERSION=8
# Dialog text (9 pt, 12 px) in Zen Hei Sharp: drawn bitmaps at 12-16 px for
# Latin and Chinese, and a gasp table that turns smoothing off there, give solid
# black strokes as 新細明體 does on Windows. UMing's Latin is smoothed to grey,
# and fontconfig's antialias setting overrides the FontSmoothing registry value.
readonly CJK_FACE="WenQuanYi Zen Hei Sharp"
# Linked behind Tahoma (8 pt, 11 px), where UMing has bitmaps and Zen Hei's
# unsmoothed outlines break up.
readonly CJK_LINK="UMING.TTC,AR PL UMing TW"

log() { echo "wine-env: $*" >&2; }

# Start time of a running process, to tell it from a later one with the same
# pid; fails for a zombie, which our init may take a while to reap.
start_time() {
    local s
    s=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    s=${s##*) }
    # shellcheck disable=SC2086
    set -- $s
    [[ $1 != Z ]] && echo "${20}"
}

alive() { # PID START-TIME
    [[ -n $1 && "$(start_time "$1")" == "$2" ]]
}

# Drops users whose run ended without cleaning up (SIGKILL); prints how many remain.
live_users() {
    local f n=0
    for f in "$state"/users/*; do
        [[ -e $f ]] || continue
        if alive "${f##*/}" "$(cat "$f" 2>/dev/null)"; then n=$((n + 1)); else rm -f "$f"; fi
    done
    echo "$n"
}

stop_server() {
    "$WINESERVER" -k >/dev/null 2>&1 9>&-
    "$WINESERVER" -w >/dev/null 2>&1 9>&-
}

stop_xvfb() {
    local pid started display
    [[ -f $state/xvfb ]] || return 0
    read -r pid started display <"$state/xvfb"
    rm -f "$state/xvfb"
    alive "$pid" "$started" || return 0
    kill "$pid" 2>/dev/null
    local i
    for ((i = 0; i < 50; i++)); do
        alive "$pid" "$started" || return 0
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
}

# Starts a private Xvfb on a free display and points DISPLAY at it.
start_xvfb() {
    local pid started display
    command -v Xvfb >/dev/null || { log "Xvfb missing (run scripts/setup-tools.sh)"; return 1; }
    local fifo=$state/displayfd
    rm -f "$fifo"
    mkfifo "$fifo" || return 1
    # Started from a subshell that exits at once, so Xvfb is nobody's child:
    # a test killed on timeout cannot take the shared display down with it.
    # (Output is redirected before the fifo, whose open blocks until we read.)
    pid=$( (Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
                </dev/null >"$state/xvfb.log" 2>&1 9>&- 3>"$fifo" &
            echo $!) )
    display=
    read -r -t 10 display <"$fifo"
    rm -f "$fifo"
    started=$(start_time "$pid")
    if [[ -z $display || -z $started ]]; then
        log "Xvfb did not start; see $state/xvfb.log"
        [[ -n $started ]] && kill "$pid" 2>/dev/null
        return 1
    fi
    echo "$pid $started $display" >"$state/xvfb"
    export DISPLAY=:$display
}

# REG_MULTI_SZ data as .reg hex bytes.
multi_sz_hex() {
    local s
    { for s; do printf '%s\0' "$s"; done; printf '\0'; } \
        | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -s ' \n' ',' | sed 's/^,//; s/,$//'
}

# The prefix's registry settings, as a UTF-16 .reg file (the font names are
# Chinese, and regedit reads UTF-16 whatever the locale).
write_setup_reg() {
    local name
    {
        printf '\xff\xfe'
        {
            printf 'Windows Registry Editor Version 5.00\r\n\r\n'
            # A CJK font under the names Chinese programs ask for, Traditional and Simplified.
            printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
            for name in 新細明體 PMingLiU 細明體 MingLiU 宋体 SimSun; do
                printf '"%s"="%s"\r\n' "$name" "$CJK_FACE"
            done
            # Chinese in captions, message boxes and the System font comes from
            # the CJK font through font linking, as on a Western Windows.
            printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\r\n'
            # Links go by face name, so the bold caption face needs its own.
            for name in Tahoma "Tahoma Bold" System "Microsoft Sans Serif" "MS Sans Serif"; do
                printf '"%s"=hex(7):%s\r\n' "$name" "$(multi_sz_hex "$CJK_LINK")"
            done
            # Without a window manager, destroying a managed window stalls 2 s
            # waiting for one; unmanaged windows behave the same otherwise.
            printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n'
            printf '"Managed"="N"\r\n\r\n'
        } | iconv -f UTF-8 -t UTF-16LE
    } >"$1"
}

setup_prefix() {
    local marker=$prefix/.zarvel-setup
    [[ -f $prefix/system.reg && "$(cat "$marker" 2>/dev/null)" == "$SETUP_VERSION" ]] && return 0
    log "preparing Wine prefix $prefix"
    local setup_log=$state/setup.log
    if [[ ! -f $prefix/system.reg ]]; then
        "$ZARVEL_WINE" wineboot -i >"$setup_log" 2>&1 9>&- || { log "wineboot failed; see $setup_log"; return 1; }
    fi
    # A new prefix links Desktop, Documents, Downloads and the like to $HOME: plain folders instead, so that
    # nothing a program under test writes there reaches the real home (Wine leaves them so on updates).
    local link
    for link in "$prefix/drive_c/users/$(id -un)"/*; do
        if [[ -L $link ]]; then rm "$link" && mkdir "$link" || return 1; fi
    done
    # Debian's Wine misses its own fonts (Tahoma for dialogs, Marlett for the
    # caption buttons) in /usr/share/wine/fonts; the prefix's Fonts folder is
    # always searched.
    if [[ -f /usr/share/wine/fonts/tahoma.ttf ]]; then
        ln -sf /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/"
    else
        log "fonts-wine is missing (run scripts/setup-tools.sh): dialogs fall back to other fonts"
    fi
    [[ -f /usr/share/fonts/truetype/wqy/wqy-zenhei.ttc ]] \
        || log "fonts-wqy-zenhei is missing (run scripts/setup-tools.sh): dialogs fall back to other fonts"
    write_setup_reg "$state/setup.reg"
    "$ZARVEL_WINE" regedit /S "Z:${state//\//\\}\\setup.reg" >>"$setup_log" 2>&1 9>&- \
        || { log "regedit failed; see $setup_log"; return 1; }
    # The server saves the registry as it goes down; -k spares us the
    # seconds the services take to time out.
    stop_server
    grep -q '"PMingLiU"="'"$CJK_FACE" "$prefix/system.reg" || { log "registry settings not saved"; return 1; }
    echo "$SETUP_VERSION" >"$marker"
}

# Cleans up once every run is gone, also those killed outright (a CTest
# timeout), which cannot clean up themselves.
watch_session() {
    trap - EXIT INT TERM HUP
    while sleep 2; do
        exec 9>"$state/lock"
        flock 9
        if [[ $(live_users) == 0 ]]; then
            stop_server
            stop_xvfb
            rm -f "$state/watchdog"
            exit 0
        fi
        exec 9>&-
    done
}

start_watchdog() {
    local pid started
    if [[ -f $state/watchdog ]]; then
        read -r pid started <"$state/watchdog"
        alive "$pid" "$started" && return 0
    fi
    # Detached like Xvfb, and holding none of the caller's pipes.
    pid=$( (watch_session </dev/null >/dev/null 2>&1 9>&- & echo $!) )
    echo "$pid $(start_time "$pid")" >"$state/watchdog"
}

stop_watchdog() {
    local pid started
    [[ -f $state/watchdog ]] || return 0
    read -r pid started <"$state/watchdog"
    rm -f "$state/watchdog"
    alive "$pid" "$started" && kill "$pid" 2>/dev/null
}

# All of the start-up happens under the prefix lock.
start_session() {
    exec 9>"$state/lock"
    flock 9
    if [[ $(live_users) != 0 ]]; then
        # Join the running session, on its display unless told otherwise.
        [[ -n ${DISPLAY:-} ]] || DISPLAY=$(cat "$state/display")
        export DISPLAY
    else
        # Nobody is using the prefix: clear whatever a killed run left behind.
        stop_server
        stop_xvfb
        if [[ -z ${DISPLAY:-} ]]; then
            start_xvfb || { exec 9>&-; return 1; }
        fi
        echo "$DISPLAY" >"$state/display"
        # Set-up restarts the server, so only a run with the prefix to itself may do it.
        setup_prefix || { exec 9>&-; return 1; }
        # Persistent, so consecutive wine runs skip the server and services start-up.
        "$WINESERVER" -p >/dev/null 2>&1 9>&-
        # Wine's background processes (services, the desktop's explorer) keep
        # the stdio of the program that made them start. Started by a program
        # of ours, they cannot hold a caller's pipe open (CTest would wait on it).
        "$ZARVEL_WINE" rundll32.exe user32.dll,GetDesktopWindow \
            </dev/null >"$state/session.log" 2>&1 9>&-
    fi
    start_time $$ >"$state/users/$$"
    start_watchdog
    exec 9>&-
}

finished=
finish_session() {
    [[ -n $finished ]] && return
    finished=1
    exec 9>"$state/lock"
    flock 9
    rm -f "$state/users/$$"
    if [[ $(live_users) == 0 ]]; then
        stop_watchdog
        stop_server
        stop_xvfb
    fi
    exec 9>&-
}

child=
# shellcheck disable=SC2317  # called from the traps
on_signal() {
    local sig=$1 code=$2
    trap '' INT TERM HUP
    if [[ -n $child ]]; then
        kill -s "$sig" "$child" 2>/dev/null
        # A Windows program that ignores it dies with the server below.
        local i
        for ((i = 0; i < 50; i++)); do
            kill -0 "$child" 2>/dev/null || break
            sleep 0.1
        done
    fi
    finish_session
    exit "$code"
}

trap 'on_signal INT 130' INT
trap 'on_signal TERM 143' TERM
trap 'on_signal HUP 129' HUP
trap finish_session EXIT

start_session || exit 1
export ZARVEL_WINE_ENV_ACTIVE=1

# In the background so a signal reaches our trap at once; stdin stays the caller's.
"$@" <&0 &
child=$!
wait "$child"
rc=$?
child=
finish_session
exit "$rc"
