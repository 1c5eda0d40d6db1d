#!/usr/bin/env bash
# Tests the 32-bit packages in build/dist/ under Wine, each in a fresh prefix of its own:
#
#   tests/package/test_package.sh zip|installer BUILD_DIR
#
# zip: the sums match; the zip holds the program, velmaroctl, the pictures, the readme, the
# license and the stand-in in emulator/ only; unpacked, velmaroctl's file commands run with no
# library anywhere and its unit commands say that it is missing; with the stand-in copied
# beside the program, it starts and shows its window, in its folder and in one without
# pictures. The zip registers nothing.
# installer: run silently (/S), it installs the zip's files into Program Files, two Start-menu
# shortcuts that start in the public Documents folder (the second with /offline), the ".QZC"
# file type and an Add/Remove Programs entry; the installed program starts and shows its
# window, and through the file type's Open verb it opens a file with no unit attached; the
# other platform's installer replaces the installation; the silent uninstaller removes all of
# it again, and leaves ".QZC" alone once another program has taken it over.
# Wine's menu builder is off: it would write desktop entries into the home folder.
set -eu
kind=$1
build=$(cd "$2" && pwd)
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$top/tools/wine-common.sh"
dist=$build/dist
helpers=$(velmaro_test_tree "$build")/bin
# The 32-bit packages, or the x86-64 ones on a machine that cannot start 32-bit programs.
platform=win32
[ "${helpers%/bin}" = "$build/windows" ] || platform=win64
state=$build/package-tests/$kind
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VELMARO'

other_platform=win64
[ $platform = win32 ] || other_platform=win32
file_type_key='HKLM\Software\Classes\.QZC'
program_type_key='HKLM\Software\Classes\VELMARO.Configuration'

fail() { echo "FAIL: $*" >&2; exit 1; }
# Wine's helper processes keep the streams they were given: never the caller's pipe.
run_wine() { velmaro_wine "$@" < /dev/null >> "$state/wine.log" 2>&1; }
files_under() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }

# The zip (of platform $2, this one's by default) unpacked into $1: its one top folder, with the files users need and no library
# beside the program.
unpack_zip() {
    local zip out=$1 of=${2:-$platform}
    zip=$(ls "$dist"/velmaro-*-$of.zip) || fail "no $of zip in $dist"
    mkdir -p "$out"
    (cd "$out" && cmake -E tar xf "$zip")
    folder="$out/$(basename "$zip" .zip)"
    [ -d "$folder" ] || fail "the zip has no top folder $(basename "$zip" .zip)"
    local f
    for f in velmaro.exe velmaroctl.exe README.txt LICENSE.txt manual.html emulator/VELMAROSN.dll \
             emulator/README.txt Resource/HX3476.qzr Resource/CFX981.qzr; do
        [ -s "$folder/$f" ] || fail "the zip lacks $f"
    done
    [ "$(ls "$folder/Resource" | grep -c '\.qzr$')" = 19 ] || fail "the zip lacks pictures"
    [ ! -e "$folder/VELMAROSN.dll" ] || fail "the stand-in lies beside the program"
}

# Copies the stand-in beside velmaro.exe in folder $1, starts the program in folder $2 (the
# program's own by default) with the arguments after $2 and one emulated unit (none when
# units=0), and waits for its window.
units=1
start_program() {
    local dir=$1 start=${2:-$1} units_dir=$state/units app status=0
    shift $(($# < 2 ? $# : 2))
    cp "$dir/emulator/VELMAROSN.dll" "$dir/VELMAROSN.dll"
    rm -rf "$units_dir"
    mkdir -p "$units_dir"
    [ $units = 0 ] || mkdir -p "$units_dir/unit1"
    export VELMARO_SIM_DIR
    VELMARO_SIM_DIR=$(velmaro_windows_path "$units_dir")
    (cd "$start" && velmaro_wine "$dir/velmaro.exe" "$@" > "$state/velmaro.log" 2>&1 < /dev/null) &
    app=$!
    velmaro_wine "$helpers/wine_screenshot.exe" startup "$(velmaro_windows_path "$state/started.bmp")" \
        --close < /dev/null > "$state/screenshot.log" 2>&1 || status=$?
    wait $app || fail "velmaro.exe ended with exit code $? ($(cat "$state/velmaro.log"))"
    [ $status = 0 ] && [ -s "$state/started.bmp" ] || fail "the window did not come up ($(cat "$state/screenshot.log"))"
}

# The last picture of the window shows the header of the pinout picture: many pixels of the
# header's body colour (24, 96, 48; a BMP stores blue, green, red).
header_drawn() {
    [ "$(od -An -v -tx1 "$state/started.bmp" | tr -d ' \n' | grep -o 183060 | wc -l)" -ge 200 ]
}

registry_has() { run_wine reg query "$1" /reg:32; }

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
    (cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
    unpack_zip "$state/unpacked"
    check_ctl_without_library "$folder"
    start_program "$folder"
    # Started where there are no pictures, the program takes those beside itself.
    mkdir -p "$state/elsewhere"
    start_program "$folder" "$state/elsewhere"
    header_drawn || fail "started elsewhere, the program drew no header picture"
    ! registry_has "$file_type_key" || fail "the zip registered .QZC"
}

# The value of registry key $1 named $2 ("" for the default value), as reg query prints it.
registry_value() {
    local name=${2:+/v "$2"}
    [ -n "$name" ] || name=/ve
    # shellcheck disable=SC2086
    velmaro_wine reg query "$1" $name /reg:32 < /dev/null 2>> "$state/wine.log" \
        | tr -d '\r' | sed -n 's/^ *[^ ].*REG_[A-Z_]* *//p' | head -n 1
}

# The program's folder, its Start-menu folder and the start folder of the shortcuts.
installed_dir() {
    local dir="$WINEPREFIX/drive_c/Program Files (x86)/VELMARO"
    [ -d "$dir" ] || dir="$WINEPREFIX/drive_c/Program Files/VELMARO"
    echo "$dir"
}
menu_dir="Start Menu/Programs/VELMARO Configuration Utility"

# Where a path under drive_c is on Windows.
windows_path_of() { local p="C:${1#"$WINEPREFIX/drive_c"}"; echo "${p//\//\\}"; }

check_shortcuts() {
    local menu=$1 dir=$2 documents
    documents=$(velmaro_wine cmd /c echo %PUBLIC% < /dev/null 2>/dev/null | tr -d '\r')\\Documents
    [ "$documents" != '%PUBLIC%\Documents' ] || fail "Wine does not name the public folder"
    for link in "VELMARO Configuration Utility.lnk" "VELMARO Configuration Utility (no unit attached).lnk"; do
        [ -f "$menu/$link" ] || fail "no Start-menu shortcut $link"
        strings -el "$menu/$link" | grep -qixF "$documents" \
            || fail "$link does not start the program in $documents: $(strings -el "$menu/$link" | tr '\n' ' ')"
        { strings -a "$menu/$link"; strings -el "$menu/$link"; } | grep -qiF "$(windows_path_of "$dir")\\velmaro.exe" \
            || fail "$link does not start the installed program"
    done
    strings -el "$menu/VELMARO Configuration Utility (no unit attached).lnk" | grep -qxF /offline \
        || fail "the second shortcut does not pass /offline"
    ! strings -el "$menu/VELMARO Configuration Utility.lnk" | grep -qxF /offline \
        || fail "the first shortcut passes /offline"
}

check_file_type() {
    local dir=$1 command
    [ "$(registry_value "$file_type_key" "")" = VELMARO.Configuration ] || fail ".QZC is not registered"
    [ "$(registry_value "$program_type_key" "")" = "VELMARO configuration" ] || fail "the file type has no name"
    [ "$(registry_value "$program_type_key\DefaultIcon" "")" = "$(windows_path_of "$dir")\velmaro.exe,0" ] \
        || fail "the file type has not the program's icon"
    command=$(registry_value "$program_type_key\shell\open\command" "")
    [ "$command" = "\"$(windows_path_of "$dir")\velmaro.exe\" \"%1\"" ] || fail "the Open verb is $command"
}

# The installation in Program Files: the zip's files and the uninstaller, the shortcuts, the
# file type, the entry; one VELMARO folder in all.
check_installed() {
    local dir menu
    dir=$(installed_dir)
    [ -f "$dir/velmaro.exe" ] || fail "nothing installed in Program Files\\VELMARO"
    diff <({ files_under "$folder"; echo Uninstall.exe; } | LC_ALL=C sort) <(files_under "$dir") \
        || fail "the installed files differ from the zip's"
    [ "$(ls -d "$WINEPREFIX"/drive_c/Program\ Files*/VELMARO | wc -l)" = 1 ] || fail "more than one installation"
    menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/$menu_dir"
    check_shortcuts "$menu" "$dir"
    check_file_type "$dir"
    registry_has "$uninstall_key" || fail "no entry in Add/Remove Programs"
}

# Double-click on a configuration, with no unit attached: the program of the Open verb (the
# installed one, check_file_type) shows its window with the file, where a plain start would
# end at the no-device message. The stand-in beside it stands for the maker's library.
open_by_file_type() {
    local dir=$1 documents=$WINEPREFIX/drive_c/users/Public/Documents
    mkdir -p "$documents"
    cp "$state/new.qzc" "$documents/Config.QZC"
    units=0 start_program "$dir" "$documents" "$(windows_path_of "$documents")\\Config.QZC"
    header_drawn || fail "started in the Documents folder, the program drew no header picture"
    rm "$dir/VELMAROSN.dll"
}

uninstall() {
    local dir=$1 menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/$menu_dir"
    run_wine "$dir/Uninstall.exe" /S || fail "the uninstaller ended with exit code $?"
    # The uninstaller runs from a copy of itself and returns at once: wait until it has removed
    # the folder, the shortcut and the entry (it does them in turn).
    local deadline=$((SECONDS + 60))
    while { [ -e "$dir" ] || [ -e "$menu" ]; } && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
    while registry_has "$uninstall_key" && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
    while registry_has "$program_type_key" && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
    [ ! -e "$dir" ] || fail "left behind: $(cd "$dir" && find . -type f)"
    [ ! -e "$menu" ] || fail "the Start-menu folder is left behind"
    ! registry_has "$uninstall_key" || fail "the Add/Remove Programs entry is left behind"
    ! registry_has "$program_type_key" || fail "the file type is left behind"
}

test_installer() {
    local setup other dir menu
    setup=$(ls "$dist"/velmaro-*-$platform-setup.exe) || fail "no $platform installer in $dist"
    other=$(ls "$dist"/velmaro-*-$other_platform-setup.exe) || fail "no $other_platform installer in $dist"
    unpack_zip "$state/expected"
    check_ctl_without_library "$folder"
    run_wine "$setup" /S || fail "the installer ended with exit code $?"
    check_installed
    [ -z "$(find "$HOME/.local/share/applications" -name '*.desktop' -newer "$state/expected" 2>/dev/null)" ] \
        || fail "Wine wrote desktop entries into the home folder"
    dir=$(installed_dir)
    start_program "$dir"
    rm "$dir/VELMAROSN.dll"
    open_by_file_type "$dir"
    grep -q "Error\|Invalid" "$state/velmaro.log" && fail "the opened file gave a message"
    # Each installer replaces the other's installation: one program, one Start-menu folder,
    # one file type.
    run_wine "$other" /S || fail "the $other_platform installer ended with exit code $?"
    unpack_zip "$state/expected-$other_platform" "$other_platform"
    check_installed
    [ "$(registry_value "$uninstall_key" UninstallString)" = "\"$(windows_path_of "$(installed_dir)")\\Uninstall.exe\"" ] \
        || fail "the entry does not name the last installation"
    run_wine "$setup" /S || fail "the installer ended with exit code $? over the $other_platform one"
    unpack_zip "$state/expected-again"
    check_installed
    dir=$(installed_dir)
    uninstall "$dir"
    ! registry_has "$file_type_key" || fail ".QZC is left behind"
    # A file type taken over by another program since is left as it is.
    run_wine "$setup" /S || fail "the installer ended with exit code $? the second time"
    run_wine reg add "$file_type_key" /ve /d Other.Program /f /reg:32 || fail "reg add failed"
    uninstall "$(installed_dir)"
    [ "$(registry_value "$file_type_key" "")" = Other.Program ] || fail "the uninstaller took .QZC from another program"
}
if [ "$kind" = installer ] && [ $VELMARO_WINE32 = 0 ]; then
    # The NSIS installers of both platforms are 32-bit programs.
    echo "Skipped: the installer is a 32-bit program, and this machine does not start those."
    exit 77
fi
velmaro_wine_stop "$state" 2>/dev/null || true
rm -rf "$state"
mkdir -p "$state"
velmaro_wine_prepare "$state" own || fail "Wine did not start"
case ";$WINEDLLOVERRIDES;" in *";winemenubuilder.exe=d;"*) ;; *) fail "Wine's menu builder is not off" ;; esac
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
