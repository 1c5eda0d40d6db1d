# Shared by the scripts that run the Windows program under Wine: a prefix of our own,
# a virtual X display when needed, and a persistent wineserver. Source it, then call
# velmaro_wine_prepare STATE_DIR [use-own-display].
#
# STATE_DIR holds: prefix/ (the Wine prefix), display (":N"), xvfb.pid, lock.

velmaro_wine_log() { printf '[wine] %s\n' "$*" >&2; }

velmaro_start_xvfb() {           # $1 state dir; starts a private display, records it
    local state=$1 n
    for n in $(seq 90 189); do
        if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then
            setsid Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 < /dev/null &
            echo $! > "$state/xvfb.pid"
            local deadline=$((SECONDS + 20))
            while [ ! -e /tmp/.X11-unix/X$n ] && [ $SECONDS -lt $deadline ]; do sleep 0.05; done
            if [ -e /tmp/.X11-unix/X$n ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
                echo ":$n" > "$state/display"
                return 0
            fi
        fi
    done
    velmaro_wine_log "could not start Xvfb"
    return 1
}

velmaro_display_alive() {        # $1 state dir
    local state=$1
    [ -f "$state/display" ] && [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null
}

velmaro_make_prefix() {          # creates $WINEPREFIX with a virtual desktop and real fonts
    velmaro_wine_log "creating the Wine prefix $WINEPREFIX (once)"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 && wineserver -w
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    local kv
    for kv in 'Arial=Liberation Sans' 'Microsoft Sans Serif=Liberation Sans' \
              'Courier New=Liberation Mono' 'Times New Roman=Liberation Serif'; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${kv%%=*}" /d "${kv#*=}" /f >/dev/null 2>&1
    done
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    wineserver -k 2>/dev/null
    touch "$WINEPREFIX/.velmaro-ready"
}

# Prepares prefix, display and wineserver; exports WINEPREFIX, WINEDEBUG and DISPLAY.
velmaro_wine_prepare() {
    local state=$1 own_display=${2:-own}
    mkdir -p "$state"
    export WINEPREFIX="$state/prefix"
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml="
    exec 9>"$state/lock"
    flock 9
    local restart_server=0
    if [ "$own_display" = own ]; then
        if ! velmaro_display_alive "$state"; then
            velmaro_start_xvfb "$state" || { flock -u 9; return 1; }
            restart_server=1
        fi
        export DISPLAY=$(cat "$state/display")
    fi
    if [ -n "${DISPLAY:-}" ] && [ "$(cat "$state/server-display" 2>/dev/null)" != "$DISPLAY" ]; then
        restart_server=1
    fi
    if [ ! -f "$WINEPREFIX/.velmaro-ready" ]; then
        velmaro_make_prefix
        restart_server=1
    fi
    if [ $restart_server = 1 ]; then
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
    fi
    if [ $restart_server = 1 ] || ! pgrep -u "$(id -u)" -f "wineserver -p" >/dev/null 2>&1; then
        # Persistent, outside any timeout, with no pipe of ours held open.
        setsid wineserver -p >/dev/null 2>&1 < /dev/null &
        echo "${DISPLAY:-}" > "$state/server-display"
    fi
    flock -u 9
    exec 9>&-
}

# Stops the display and wineserver of a state dir.
velmaro_wine_stop() {
    local state=$1
    WINEPREFIX="$state/prefix" wineserver -k 2>/dev/null
    [ -f "$state/xvfb.pid" ] && kill "$(cat "$state/xvfb.pid")" 2>/dev/null
    rm -f "$state/xvfb.pid" "$state/display" "$state/server-display"
}
