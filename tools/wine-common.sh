# Shared by the scripts that run the Windows program under Wine: a prefix of our own,
# a virtual X display when needed, and a persistent wineserver. Source it, then call
# velmaro_wine_prepare STATE_DIR [use-own-display].
#
# STATE_DIR holds: prefix/ (the Wine prefix), display (":N"), xvfb.pid, server.pid,
# keeper.pid, server-display, volumes/ (the labelled drives V: and W:), lock.
#
# VELMARO_WINE_DPI (96 when unset) is the display scale of the prefix (its LogPixels). A state at
# another DPI gets a desktop and a display of 1920x1200, room for the larger windows; its prefix
# is a copy of VELMARO_WINE_PREFIX_SOURCE when that names a ready prefix, else made anew.

velmaro_wine_log() { printf '[wine] %s\n' "$*" >&2; }

# The Windows tree whose programs run here: build/windows (32-bit), or build/windows64 on a
# machine that cannot start 32-bit programs (cmake/native.cmake writes the choice).
velmaro_test_tree() {            # $1 build dir
    local tree=windows
    [ -f "$1/test-tree" ] && read -r tree < "$1/test-tree"
    echo "$1/${tree:-windows}"
}

velmaro_start_xvfb() {           # $1 state dir; starts a private display, records it
    local state=$1 n
    for n in $(seq 90 189); do
        if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then
            setsid Xvfb :$n -screen 0 "$(velmaro_screen_size)x24" -nolisten tcp >/dev/null 2>&1 < /dev/null &
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

velmaro_screen_size() { if [ "${VELMARO_WINE_DPI:-96}" = 96 ]; then echo 1024x768; else echo 1920x1200; fi; }

velmaro_display_alive() {        # $1 state dir
    local state=$1
    [ -f "$state/display" ] && [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null
}

# A prefix made before Wine's 32-bit half was installed cannot start 32-bit programs ("could not
# load kernel32.dll"): the marker records which Wine made the prefix, and a prefix made by
# another is made anew.
# Wine's 32-bit loader can be installed and still not start: some kernels are built without
# 32-bit support ("Exec format error"). Then everything runs on the 64-bit loader, and only
# 64-bit programs start.
velmaro_wine32_starts() { [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; }
VELMARO_WINE32=0
velmaro_wine32_starts && VELMARO_WINE32=1
VELMARO_PREFIX_MARK=wine64-only
[ $VELMARO_WINE32 = 1 ] && VELMARO_PREFIX_MARK=wine32

# The mark of a ready prefix: the Wine that made it, and its DPI when that is not 96.
velmaro_wanted_mark() {          # sets velmaro_mark; shell built-ins only
    velmaro_mark=$VELMARO_PREFIX_MARK
    [ "${VELMARO_WINE_DPI:-96}" = 96 ] || velmaro_mark="$velmaro_mark dpi$VELMARO_WINE_DPI"
}

velmaro_prefix_ready() {         # shell built-ins only
    local mark="" velmaro_mark
    velmaro_wanted_mark
    read -r mark 2>/dev/null < "$WINEPREFIX/.velmaro-ready"
    [ "$mark" = "$velmaro_mark" ]
}

# A ready prefix of the same Wine to copy instead of booting one (some 13 s), if there is one.
velmaro_prefix_source() {
    local source=${VELMARO_WINE_PREFIX_SOURCE:-} mark=""
    [ -n "$source" ] && [ "$source" != "$WINEPREFIX" ] || return 1
    read -r mark 2>/dev/null < "$source/.velmaro-ready"
    [ "$mark" = "$VELMARO_PREFIX_MARK" ] && echo "$source"
}

velmaro_make_prefix() {          # creates $WINEPREFIX with a virtual desktop and real fonts
    local source velmaro_mark kv
    if [ -d "$WINEPREFIX" ]; then
        velmaro_wine_log "making the Wine prefix $WINEPREFIX anew (made by another Wine or for another DPI)"
        wineserver -k 2>/dev/null
        rm -rf "$WINEPREFIX"
    fi
    if source=$(velmaro_prefix_source); then
        velmaro_wine_log "copying the Wine prefix $source to $WINEPREFIX (once)"
        cp -a "$source" "$WINEPREFIX"
    else
        velmaro_wine_log "creating the Wine prefix $WINEPREFIX (once)"
        mkdir -p "$WINEPREFIX"
        velmaro_wine wineboot -i >/dev/null 2>&1 && wineserver -w
        for kv in 'Arial=Liberation Sans' 'Microsoft Sans Serif=MS Sans Serif' \
                  'Courier New=Liberation Mono' 'Times New Roman=Liberation Serif'; do
            velmaro_wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${kv%%=*}" /d "${kv#*=}" /f >/dev/null 2>&1
        done
        cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    fi
    velmaro_wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    velmaro_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$(velmaro_screen_size)" /f >/dev/null 2>&1
    velmaro_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${VELMARO_WINE_DPI:-96}" /f \
        >/dev/null 2>&1
    wineserver -k 2>/dev/null
    velmaro_wanted_mark
    echo "$velmaro_mark" > "$WINEPREFIX/.velmaro-ready"
}

velmaro_pid_alive() {             # $1 pid file: the process it names is running
    local pid=""
    read -r pid 2>/dev/null < "$1" && [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null
}

# Drives V: and W: with the volume labels "VELMARO" and "velmaro", for the installation check.
velmaro_make_volumes() {          # $1 state dir; returns 0 when something was (re)made
    local state=$1 made=1 name folder letter label
    for name in upper:v:VELMARO lower:w:velmaro; do
        IFS=: read -r folder letter label <<< "$name"
        mkdir -p "$state/volumes/$folder"
        if [ "$(cat "$state/volumes/$folder/.windows-label" 2>/dev/null)" != "$label" ]; then
            printf '%s' "$label" > "$state/volumes/$folder/.windows-label"
            made=0
        fi
        if [ "$(readlink "$WINEPREFIX/dosdevices/$letter:")" != "$state/volumes/$folder" ]; then
            ln -sfn "$state/volumes/$folder" "$WINEPREFIX/dosdevices/$letter:"
            made=0
        fi
    done
    return $made
}

# The wineserver that serves $WINEPREFIX: it works in a folder named after the prefix's
# device and inode, whatever path the prefix was given by. Prints its pid.
velmaro_server_pid() {
    local wanted pid
    wanted=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX" 2>/dev/null)) || return 1
    for pid in $(pgrep -u "$(id -u)" '^wineserver' 2>/dev/null); do
        [ "$(basename "$(readlink "/proc/$pid/cwd" 2>/dev/null)")" = "$wanted" ] && { echo "$pid"; return 0; }
    done
    return 1
}

velmaro_server_alive() { velmaro_server_pid >/dev/null; }

# Notes the server's pid for the quick check of velmaro_wine_ready (it may take a moment
# to come up after being started).
velmaro_find_server() {           # $1 state dir
    local state=$1 pid="" deadline=$((SECONDS + 10))
    while [ -z "$pid" ] && [ $SECONDS -lt $deadline ]; do
        pid=$(velmaro_server_pid) || sleep 0.05
    done
    if [ -n "$pid" ]; then echo "$pid" > "$state/server.pid"; else rm -f "$state/server.pid"; fi
}

# A persistent wineserver, outside any timeout, with no pipe of ours held open.
velmaro_start_server() {          # $1 state dir
    local state=$1
    setsid wineserver -p >/dev/null 2>&1 < /dev/null &
    echo "${DISPLAY:-}" > "$state/server-display"
}

# The keeper (wine_keeper.exe beside the programs) holds the virtual desktop open.
velmaro_start_keeper() {          # $1 state dir, $2 keeper exe
    local state=$1 keeper=$2
    [ -n "$keeper" ] && [ -f "$keeper" ] || return 0
    velmaro_pid_alive "$state/keeper.pid" && return 0
    if [ $VELMARO_WINE32 = 1 ]; then
        setsid /usr/lib/wine/wine "$keeper" >/dev/null 2>&1 < /dev/null &
    else
        WINELOADER=/usr/lib/wine/wine64 setsid /usr/lib/wine/wine64 "$keeper" >/dev/null 2>&1 < /dev/null &
    fi
    echo $! > "$state/keeper.pid"
}

# Runs wine: the loader itself when it can be found, which spares the wrapper script's process.
# The 32-bit loader starts 64-bit programs too (it hands them to wine64).
velmaro_wine() {
    if [ $VELMARO_WINE32 = 1 ]; then
        /usr/lib/wine/wine "$@"
    elif [ -x /usr/lib/wine/wine64 ]; then
        WINELOADER=${WINELOADER:-/usr/lib/wine/wine64} /usr/lib/wine/wine64 "$@"
    else
        wine "$@"
    fi
}

# True when the state dir is ready for this display: prefix, drives, display, server and
# keeper all there. Shell built-ins only, so that a test run starts no process for it.
velmaro_wine_ready() {            # $1 state dir, $2 own display or not
    local state=$1 own_display=$2 display="" server_display="" pid=""
    velmaro_prefix_ready || return 1
    [ "$WINEPREFIX/dosdevices/v:" -ef "$state/volumes/upper" ] || return 1
    [ "$WINEPREFIX/dosdevices/w:" -ef "$state/volumes/lower" ] || return 1
    if [ "$own_display" = own ]; then
        velmaro_pid_alive "$state/xvfb.pid" || return 1
        read -r display < "$state/display" || return 1
        DISPLAY=$display
    fi
    read -r server_display 2>/dev/null < "$state/server-display"
    [ "$server_display" = "${DISPLAY:-}" ] || return 1
    read -r pid 2>/dev/null < "$state/server.pid" && [ -n "$pid" ] || return 1
    [ -e "/proc/$pid/cwd/socket" ] || return 1
    [ -z "${VELMARO_WINE_KEEPER:-}" ] || [ ! -f "$VELMARO_WINE_KEEPER" ] || velmaro_pid_alive "$state/keeper.pid"
}

# Prepares prefix, display and wineserver; exports WINEPREFIX, WINEDEBUG and DISPLAY.
# VELMARO_WINE_KEEPER may name the keeper program to start once the server runs.
velmaro_wine_prepare() {
    local state=$1 own_display=${2:-own}
    [ -d "$state" ] || mkdir -p "$state"
    export WINEPREFIX="$state/prefix"
    export WINEDEBUG=${WINEDEBUG:--all}
    # No Mono or Gecko, and no menu builder (it writes desktop entries into the home folder).
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    if velmaro_wine_ready "$state" "$own_display"; then
        export DISPLAY
        return 0
    fi
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
    if ! velmaro_prefix_ready; then
        velmaro_make_prefix
        restart_server=1
    fi
    velmaro_make_volumes "$state" && restart_server=1
    if [ $restart_server = 1 ]; then
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
        rm -f "$state/keeper.pid" "$state/server.pid"
    fi
    velmaro_server_alive || velmaro_start_server "$state"
    velmaro_find_server "$state"
    velmaro_start_keeper "$state" "${VELMARO_WINE_KEEPER:-}"
    flock -u 9
    exec 9>&-
}

# Stops the display and wineserver of a state dir.
velmaro_wine_stop() {
    local state=$1
    WINEPREFIX="$state/prefix" wineserver -k 2>/dev/null
    [ -f "$state/xvfb.pid" ] && kill "$(cat "$state/xvfb.pid")" 2>/dev/null
    rm -f "$state/xvfb.pid" "$state/display" "$state/server-display" "$state/keeper.pid" "$state/server.pid"
}

velmaro_windows_path() { local path=$1; printf 'Z:%s' "${path//\//\\}"; }

# From the program's folder: runs the utility on a virtual display of STATE's own, has
# wine_screenshot.exe bring it into the state NAME and save it, writes OUT (PNG), and stops
# display and server. VELMARO_SIM_DIR must be exported already.
velmaro_screenshot() {           # $1 state dir, $2 state name, $3 output PNG
    local state=$1 name=$2 out=$3 bmp="${3%.png}.bmp" status=0 app
    velmaro_wine_prepare "$state" own || return 1
    velmaro_wine ./velmaro.exe >/dev/null 2>&1 < /dev/null &
    app=$!
    velmaro_wine ./wine_screenshot.exe "$name" "$(velmaro_windows_path "$bmp")" --close < /dev/null || status=$?
    wait $app || true
    velmaro_wine_stop "$state"
    if [ $status -ne 0 ] || [ ! -s "$bmp" ]; then return 1; fi
    convert "$bmp" "$out" && rm -f "$bmp"
}
