#!/usr/bin/env bash
# Tests the packages in build/dist/ under Wine, each in a fresh prefix of its own:
#
#   tests/package/test_package.sh zip|installer BUILD_DIR
#
# zip: build/dist holds the zip, the installer and SHA256SUMS, and the sums match; the zip holds
# the 32-bit program and velmaroctl, the pictures, the readme, the license and the stand-in in
# emulator/ only; unpacked, velmaroctl's file commands run with no library anywhere and its unit
# commands say that it is missing; with the stand-in copied beside the program, it starts and
# shows its window, in its folder and in one without pictures. The zip registers nothing.
# installer: an x86-64 program; run silently (/S) in a prefix that names the 32-bit Program Files
# folder as 64-bit Windows does, it installs the zip's files into "Program Files (x86)", two
# Start-menu shortcuts that start in the public Documents folder (the second with /offline), the
# ".QZC" file type and an Add/Remove Programs entry. A double-click on a configuration opens it
# in the window; the offline shortcut starts the program with no unit attached. Run again, it
# replaces the installation in its folder and keeps the library the user put there; in a folder
# the user chose, an upgrade stays there; over an installation of an earlier, 32-bit installer
# elsewhere, the library moves along. The registered uninstaller removes what was installed
# and leaves the user's files, and leaves ".QZC" alone once another program has taken it over.
#
# Where this machine does not start 32-bit programs, the x86-64 build of the same program takes
# the 32-bit one's place in the unpacked or installed folder before anything there is started.
# Wine's menu builder is off: it would write desktop entries into the home folder.
set -eu
kind=$1
build=$(cd "$2" && pwd)
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$top/tools/wine-common.sh"
dist=$build/dist
helpers=$(velmaro_test_tree "$build")/bin
state=$build/package-tests/$kind
objdump=x86_64-w64-mingw32-objdump

fail() { echo "FAIL: $*" >&2; exit 1; }
# Wine's helper processes keep the streams they were given: never the caller's pipe.
run_wine() { velmaro_wine "$@" < /dev/null >> "$state/wine.log" 2>&1; }
files_under() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }
machine_of() { "$objdump" -f "$1" | sed -n 's/.*file format //p'; }

zip=$(ls "$dist"/velmaro-*-win32.zip) || fail "no win32 zip in $dist"
version=${zip##*/velmaro-}
version=${version%-win32.zip}
setup=$dist/velmaro-$version-setup.exe
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VELMARO'

# The zip unpacked into $1: its one top folder ($folder), with the files users need, the 32-bit
# programs, and no library beside the program.
unpack_zip() {
    local out=$1 f
    mkdir -p "$out"
    (cd "$out" && cmake -E tar xf "$zip")
    folder="$out/$(basename "$zip" .zip)"
    [ -d "$folder" ] || fail "the zip has no top folder $(basename "$zip" .zip)"
    for f in velmaro.exe velmaroctl.exe README.txt LICENSE.txt manual.html emulator/VELMAROSN.dll \
             emulator/README.txt Resource/HX3476.qzr Resource/CFX981.qzr; do
        [ -s "$folder/$f" ] || fail "the zip lacks $f"
    done
    [ "$(ls "$folder/Resource" | grep -c '\.qzr$')" = 19 ] || fail "the zip lacks pictures"
    [ ! -e "$folder/VELMAROSN.dll" ] || fail "the stand-in lies beside the program"
    for f in velmaro.exe velmaroctl.exe emulator/VELMAROSN.dll; do
        [ "$(machine_of "$folder/$f")" = pei-i386 ] || fail "$f in the zip is $(machine_of "$folder/$f")"
    done
}

# Where 32-bit programs do not start, the x86-64 programs and stand-in take the place of the
# 32-bit ones in folder $1.
make_runnable() {
    [ $VELMARO_WINE32 = 0 ] || return 0
    cp "$helpers/velmaro.exe" "$helpers/velmaroctl.exe" "$1/"
    cp "$helpers/VELMAROSN.dll" "$1/emulator/"
}

# An emulated unit folder with one unit attached, or none ($1 = 0).
fresh_units() {
    local units_dir=$state/units
    rm -rf "$units_dir"
    mkdir -p "$units_dir"
    [ "$1" = 0 ] || mkdir -p "$units_dir/unit1"
    export VELMARO_SIM_DIR
    VELMARO_SIM_DIR=$(velmaro_windows_path "$units_dir")
}

# Runs the command that starts the program, waits for the program's window, takes its picture
# and the texts of its cells ($state/cells), and closes it; the command must end with exit code 0.
started_window() {
    local app status=0
    "$@" > "$state/velmaro.log" 2>&1 < /dev/null &
    app=$!
    velmaro_wine "$helpers/wine_screenshot.exe" startup "$(velmaro_windows_path "$state/started.bmp")" \
        --close --cells < /dev/null > "$state/cells.out" 2> "$state/screenshot.log" || status=$?
    tr -d '\r' < "$state/cells.out" > "$state/cells"
    wait $app || fail "$* ended with exit code $? ($(cat "$state/velmaro.log"))"
    [ $status = 0 ] && [ -s "$state/started.bmp" ] || fail "the window did not come up ($(cat "$state/screenshot.log"))"
}

# Copies the stand-in beside velmaro.exe in folder $1 and starts the program in folder $2 (the
# program's own by default) with one emulated unit.
start_program() {
    local dir=$1 start=${2:-$1}
    cp "$dir/emulator/VELMAROSN.dll" "$dir/VELMAROSN.dll"
    fresh_units 1
    (cd "$start" && started_window velmaro_wine "$dir/velmaro.exe")
}

# The last picture of the window shows the header of the pinout picture: many pixels of the
# header's body colour (24, 96, 48; a BMP stores blue, green, red).
header_drawn() {
    [ "$(od -An -v -tx1 "$state/started.bmp" | tr -d ' \n' | grep -o 183060 | wc -l)" -ge 200 ]
}

registry_has() { run_wine reg query "$1"; }

# velmaroctl.exe in folder $1 with the arguments after it; its output in $state/ctl.out.
run_ctl() {
    local dir=$1
    shift
    velmaro_wine "$dir/velmaroctl.exe" "$@" < /dev/null > "$state/ctl.out" 2> "$state/ctl.err"
}

# The file commands of velmaroctl.exe in folder $1, with no library beside it nor anywhere
# else; a unit command says that the library is missing and fails.
check_ctl_without_library() {
    local dir=$1 w status
    [ ! -e "$dir/VELMAROSN.dll" ] || fail "a library lies beside velmaroctl.exe"
    w=$(velmaro_windows_path "$state")
    run_ctl "$dir" new -o "$w\new.qzc" || fail "new ended with exit code $?"
    [ "$(stat -c %s "$state/new.qzc")" = 512 ] || fail "velmaroctl.exe did not write a configuration"
    run_ctl "$dir" show "$w\new.qzc" || fail "show ended with exit code $?"
    grep -q "Matrix: 5 rows x 4 columns" "$state/ctl.out" || fail "show printed: $(cat "$state/ctl.out")"
    run_ctl "$dir" export "$w\new.qzc" || fail "export ended with exit code $?"
    cp "$state/ctl.out" "$state/new.json"
    run_ctl "$dir" import "$w\new.json" -o "$w\again.qzc" || fail "import ended with exit code $?"
    cmp -s "$state/new.qzc" "$state/again.qzc" || fail "export and import changed the configuration"
    run_ctl "$dir" diff "$w\new.qzc" "$w\again.qzc" || fail "diff ended with exit code $?"
    run_ctl "$dir" sheet "$w\new.qzc" -o "$w\sheet.svg" || fail "sheet ended with exit code $?"
    [ -s "$state/sheet.svg" ] || fail "sheet wrote nothing"
    status=0
    run_ctl "$dir" units || status=$?
    [ $status = 1 ] || fail "units without the library ended with exit code $status"
    tr -d '\r' < "$state/ctl.err" | grep -qxF "VELMAROSN.dll not found beside velmaroctl.exe" \
        || fail "units without the library said: $(cat "$state/ctl.out" "$state/ctl.err")"
}

test_zip() {
    [ "$(LC_ALL=C ls "$dist" | tr '\n' ' ')" = "SHA256SUMS velmaro-$version-setup.exe velmaro-$version-win32.zip " ] \
        || fail "$dist holds: $(ls "$dist" | tr '\n' ' ')"
    [ "$(cut -c 67- "$dist/SHA256SUMS" | LC_ALL=C sort | tr '\n' ' ')" = "velmaro-$version-setup.exe velmaro-$version-win32.zip " ] \
        || fail "SHA256SUMS lists: $(cat "$dist/SHA256SUMS")"
    (cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
    unpack_zip "$state/unpacked"
    make_runnable "$folder"
    check_ctl_without_library "$folder"
    start_program "$folder"
    # Started where there are no pictures, the program takes those beside itself.
    mkdir -p "$state/elsewhere"
    start_program "$folder" "$state/elsewhere"
    header_drawn || fail "started elsewhere, the program drew no header picture"
    ! registry_has 'HKLM\Software\Classes\.QZC' || fail "the zip registered .QZC"
}

# What an installation in the folder @DIR@ (as Windows names it) puts into the registry: key,
# value ("" for the default one), data. The uninstaller removes every key of it.
installed_values='HKLM\Software\Classes\.QZC||VELMARO.Configuration
HKLM\Software\Classes\VELMARO.Configuration||VELMARO configuration
HKLM\Software\Classes\VELMARO.Configuration\DefaultIcon||@DIR@\velmaro.exe,0
HKLM\Software\Classes\VELMARO.Configuration\shell\open\command||"@DIR@\velmaro.exe" "%1"
HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VELMARO|DisplayName|VELMARO Configuration Utility @VERSION@
HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VELMARO|DisplayVersion|@VERSION@
HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VELMARO|Publisher|VELMARO utility developers
HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VELMARO|UninstallString|"@DIR@\Uninstall.exe"'

# The Start-menu shortcuts of all users (besides the uninstaller's): file, arguments. Each
# starts the installed program in the public Documents folder.
shortcuts='VELMARO Configuration Utility.lnk|
VELMARO Configuration Utility (no unit attached).lnk|/offline'

# The value of registry key $1 named $2 ("" for the default value), as reg query prints it.
registry_value() {
    local name=${2:+/v "$2"}
    [ -n "$name" ] || name=/ve
    # shellcheck disable=SC2086
    velmaro_wine reg query "$1" $name < /dev/null 2>> "$state/wine.log" \
        | tr -d '\r' | sed -n 's/^ *[^ ].*REG_[A-Z_]* *//p' | head -n 1
}

# How many entries of Add or remove programs name VELMARO, in both registry views.
uninstall_entries() {
    local view count=0
    for view in 32 64; do
        count=$((count + $(velmaro_wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s \
            /reg:$view < /dev/null 2>> "$state/wine.log" | grep -c 'DisplayName.*VELMARO')))
    done
    echo $count
}

# Where a path under drive_c is on Windows.
windows_path_of() { local p="C:${1#"$WINEPREFIX/drive_c"}"; echo "${p//\//\\}"; }

# A shortcut's target, working folder and arguments, a line each, read by the layout of a .lnk
# file: a 76-byte header with flags (at 20) that tell which parts follow; the item list (its
# size first); the link information (its size first, at 16 in it where the target's path
# starts, ANSI, ended by a zero); then strings, each a count of UTF-16 units and the units:
# name, relative path, working folder, arguments. Zeros within a count are dropped.
shortcut_fields() {
    local -a b
    read -r -a b <<< "$(od -An -v -tu1 "$1" | tr '\n' ' ')"
    local flags=$((b[20] | b[21] << 8)) at=76 bit i end text=""
    ((flags & 1)) && at=$((at + 2 + (b[at] | b[at + 1] << 8)))
    if ((flags & 2)); then
        for ((i = at + (b[at + 16] | b[at + 17] << 8); b[i]; i++)); do text+=$(printf "\\x$(printf %x "${b[i]}")"); done
        at=$((at + (b[at] | b[at + 1] << 8)))
    fi
    echo "$text"
    for bit in 4 8 16 32; do
        text=""
        if ((flags & bit)); then
            end=$((at + 2 + 2 * (b[at] | b[at + 1] << 8)))
            for ((i = at + 2; i < end; i += 2)); do ((b[i] == 0)) || text+=$(printf "\\x$(printf %x "${b[i]}")"); done
            at=$end
        fi
        [ $bit -lt 16 ] || echo "$text"
    done
}

# The installation in folder $1: the zip's files byte for byte, the uninstaller, and the files
# the user put there (named after $1), nothing else; the shortcuts, and no other in the prefix;
# the registry; one entry in Add or remove programs.
check_installed() {
    local dir=$1 windir documents link arguments f
    shift
    windir=$(windows_path_of "$dir")
    [ -d "$dir" ] || fail "nothing installed in $windir"
    local -a allowed=(-e "Only in $dir: Uninstall.exe")
    for f; do allowed+=(-e "Only in $dir: $f"); done
    f=$(diff -rq "$expected" "$dir" | grep -vxF "${allowed[@]}" || true)
    [ -z "$f" ] || fail "the installation in $windir is not the zip's: $f"
    [ -f "$dir/Uninstall.exe" ] || fail "no uninstaller in $windir"
    documents=$(velmaro_wine cmd /c echo %PUBLIC% < /dev/null 2>/dev/null | tr -d '\r')\\Documents
    [ "$documents" != '%PUBLIC%\Documents' ] || fail "Wine does not name the public folder"
    [ "$(cd "$WINEPREFIX/drive_c" && find . -iname '*.lnk' | LC_ALL=C sort)" = "$(
        { echo "./$menu_dir/Uninstall.lnk"; cut -d'|' -f1 <<< "$shortcuts" | sed "s|^|./$menu_dir/|"; } | LC_ALL=C sort)" ] \
        || fail "the shortcuts are: $(cd "$WINEPREFIX/drive_c" && find . -iname '*.lnk')"
    while IFS='|' read -r link arguments; do
        [ "$(shortcut_fields "$WINEPREFIX/drive_c/$menu_dir/$link")" = "$(printf '%s\\velmaro.exe\n%s\n%s' "$windir" "$documents" "$arguments")" ] \
            || fail "$link holds: $(shortcut_fields "$WINEPREFIX/drive_c/$menu_dir/$link" | tr '\n' '|')"
    done <<< "$shortcuts"
    local key name data
    while IFS='|' read -r key name data; do
        data=${data//@DIR@/"$windir"}
        data=${data//@VERSION@/"$version"}
        [ "$(registry_value "$key" "$name")" = "$data" ] \
            || fail "$key ${name:-(default)} holds '$(registry_value "$key" "$name")', not '$data'"
    done <<< "$installed_values"
    [ "$(uninstall_entries)" = 1 ] || fail "$(uninstall_entries) entries in Add or remove programs"
}

# A double-click on a configuration that is not the default one, with no unit attached: the
# shell runs the registered command, which opens the file in the window (its first cell shows
# the example's key), where a plain start would end at the no-device message. The stand-in
# beside the program stands for the maker's library.
open_by_double_click() {
    local dir=$1 documents=$WINEPREFIX/drive_c/users/Public/Documents
    mkdir -p "$documents"
    "$build/velmaroctl" import "$top/docs/example-3x3.json" -o "$documents/Example.QZC" > /dev/null
    fresh_units 0
    (cd "$documents" && started_window velmaro_wine start /wait Example.QZC)
    grep -qx "cell 1: Esc" "$state/cells" || fail "the opened file's first cell shows: $(head -n 1 "$state/cells")"
    header_drawn || fail "started in the Documents folder, the program drew no header picture"
    # The offline shortcut starts the program with no unit attached.
    started_window velmaro_wine start /wait /unix "$WINEPREFIX/drive_c/$menu_dir/VELMARO Configuration Utility (no unit attached).lnk"
}

# Runs the uninstaller that the entry names, silently; the folder $1 keeps only the files the
# user put there (named after $1); the shortcuts and the registry keys are gone.
uninstall() {
    local dir=$1 command key
    shift
    command=$(registry_value "$uninstall_key" UninstallString)
    command=${command#\"}
    run_wine "${command%\"}" /S || fail "the uninstaller ended with exit code $?"
    # The uninstaller runs from a copy of itself and returns at once: wait until it has removed
    # the files, the Start-menu folder and the entry (it does them in turn).
    local deadline=$((SECONDS + 60))
    while { [ -e "$dir/velmaro.exe" ] || [ -e "$WINEPREFIX/drive_c/$menu_dir" ]; } && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
    while [ "$(uninstall_entries)" != 0 ] && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
    [ "$(files_under "$dir" 2>/dev/null)" = "$(printf '%s\n' "$@")" ] || fail "left behind in $dir: $(files_under "$dir")"
    [ ! -e "$WINEPREFIX/drive_c/$menu_dir" ] || fail "the Start-menu folder is left behind"
    # .QZC goes only while it names our file type: the callers check it.
    for key in $(cut -d'|' -f1 <<< "$installed_values" | grep -vxF 'HKLM\Software\Classes\.QZC' | sort -u); do
        ! registry_has "$key" || fail "$key is left behind"
    done
}

test_installer() {
    local dir chosen
    [ "$(machine_of "$setup")" = pei-x86-64 ] || fail "the installer is $(machine_of "$setup")"
    unpack_zip "$state/expected"
    expected=$folder
    # As on 64-bit Windows, where a 32-bit program reads Program Files as "Program Files (x86)".
    run_wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v ProgramFilesDir \
        /d 'C:\Program Files (x86)' /reg:32 /f || fail "reg add failed"
    run_wine "$setup" /S || fail "the installer ended with exit code $?"
    dir="$WINEPREFIX/drive_c/Program Files (x86)/VELMARO"
    check_installed "$dir"
    [ -z "$(find "$HOME/.local/share/applications" -name '*.desktop' -newer "$state/expected" 2>/dev/null)" ] \
        || fail "Wine wrote desktop entries into the home folder"
    # The user puts the maker's library beside the program (here the stand-in).
    make_runnable "$dir"
    cp "$dir/emulator/VELMAROSN.dll" "$dir/VELMAROSN.dll"
    cp "$dir/VELMAROSN.dll" "$state/users-library.dll"
    open_by_double_click "$dir"
    # Run again, the installer replaces the installation (an earlier one's Edit verb goes with
    # it) and keeps the user's library.
    run_wine reg add 'HKLM\Software\Classes\VELMARO.Configuration\shell\edit\command' /ve /d notepad /f
    run_wine "$setup" /S || fail "the installer ended with exit code $? over the installation"
    check_installed "$dir" VELMAROSN.dll
    cmp -s "$dir/VELMAROSN.dll" "$state/users-library.dll" || fail "the upgrade changed the user's library"
    ! registry_has 'HKLM\Software\Classes\VELMARO.Configuration\shell\edit' || fail "the upgrade kept the earlier installation"
    uninstall "$dir" VELMAROSN.dll
    ! registry_has 'HKLM\Software\Classes\.QZC' || fail ".QZC is left behind"
    # Installed into a folder the user chose, an upgrade stays there (/D takes no quotes: a
    # folder without blanks).
    chosen="$WINEPREFIX/drive_c/Tools/VELMARO"
    rm -r "$dir"
    run_wine "$setup" /S "/D=$(windows_path_of "$chosen")" || fail "the installer ended with exit code $? into $chosen"
    run_wine "$setup" /S || fail "the installer ended with exit code $? over $chosen"
    check_installed "$chosen"
    [ ! -e "$dir" ] || fail "the upgrade of $(windows_path_of "$chosen") went into $(windows_path_of "$dir")"
    # Made to look like an installation by an earlier installer, a 32-bit program (its entry in the
    # 32-bit view of the registry), in another folder, with the user's library: replaced by the
    # program in "Program Files (x86)", into which the library moves.
    run_wine reg add "$uninstall_key" /v DisplayName /d VELMARO /reg:32 /f
    run_wine reg add "$uninstall_key" /v UninstallString /d "\"$(windows_path_of "$chosen")\Uninstall.exe\"" /reg:32 /f
    run_wine reg delete "$uninstall_key" /f
    run_wine reg delete 'HKLM\Software\VELMARO utility developers' /f
    cp "$state/users-library.dll" "$chosen/VELMAROSN.dll"
    run_wine "$setup" /S || fail "the installer ended with exit code $? over the earlier installation"
    check_installed "$dir" VELMAROSN.dll
    cmp -s "$dir/VELMAROSN.dll" "$state/users-library.dll" || fail "the user's library did not move along"
    [ ! -e "$chosen" ] || fail "left behind in $(windows_path_of "$chosen"): $(files_under "$chosen")"
    # A file type taken over by another program since is left as it is.
    run_wine reg add 'HKLM\Software\Classes\.QZC' /ve /d Other.Program /f || fail "reg add failed"
    uninstall "$dir" VELMAROSN.dll
    [ "$(registry_value 'HKLM\Software\Classes\.QZC' "")" = Other.Program ] || fail "the uninstaller took .QZC from another program"
}

velmaro_wine_stop "$state" 2>/dev/null || true
rm -rf "$state"
mkdir -p "$state"
velmaro_wine_prepare "$state" own || fail "Wine did not start"
case ";$WINEDLLOVERRIDES;" in *";winemenubuilder.exe=d;"*) ;; *) fail "Wine's menu builder is not off" ;; esac
menu_dir="ProgramData/Microsoft/Windows/Start Menu/Programs/VELMARO Configuration Utility"
trap 'velmaro_wine_stop "$state"' EXIT
case $kind in
    zip) test_zip ;;
    installer) test_installer ;;
    *) fail "unknown package test $kind" ;;
esac
trap - EXIT
velmaro_wine_stop "$state"
rm -rf "$WINEPREFIX"
echo "The $kind package passed."
