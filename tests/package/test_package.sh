#!/usr/bin/env bash
# Tests the 32-bit packages in build/dist/ under Wine, each in a fresh prefix of its own:
#
#   tests/package/test_package.sh zip|installer BUILD_DIR
#
# zip: the sums match; the zip holds the program, velmaroctl, the pictures, the readme, the
# license and the stand-in in emulator/ only; unpacked, with the stand-in copied beside the
# program, it starts and shows its window.
# installer: run silently (/S), it installs the zip's files into Program Files, a Start-menu
# shortcut and an Add/Remove Programs entry; the installed program, with the stand-in copied
# beside it, starts and shows its window; the silent uninstaller removes all of it again.
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

fail() { echo "FAIL: $*" >&2; exit 1; }
# Wine's helper processes keep the streams they were given: never the caller's pipe.
run_wine() { velmaro_wine "$@" < /dev/null >> "$state/wine.log" 2>&1; }
files_under() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }

# The zip unpacked into $1: its one top folder, with the files users need and no library
# beside the program.
unpack_zip() {
    local zip out=$1
    zip=$(ls "$dist"/velmaro-*-$platform.zip) || fail "no $platform zip in $dist"
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

# Copies the stand-in beside velmaro.exe in folder $1, starts the program there with one
# emulated unit, and waits for its window.
start_program() {
    local dir=$1 units=$state/units app status=0
    cp "$dir/emulator/VELMAROSN.dll" "$dir/VELMAROSN.dll"
    mkdir -p "$units/unit1"
    export VELMARO_SIM_DIR
    VELMARO_SIM_DIR=$(velmaro_windows_path "$units")
    (cd "$dir" && velmaro_wine ./velmaro.exe > "$state/velmaro.log" 2>&1 < /dev/null) &
    app=$!
    velmaro_wine "$helpers/wine_screenshot.exe" startup "$(velmaro_windows_path "$state/started.bmp")" \
        --close < /dev/null > "$state/screenshot.log" 2>&1 || status=$?
    wait $app || fail "velmaro.exe ended with exit code $? ($(cat "$state/velmaro.log"))"
    [ $status = 0 ] && [ -s "$state/started.bmp" ] || fail "the window did not come up ($(cat "$state/screenshot.log"))"
}

registry_has() { run_wine reg query "$1" /reg:32; }

test_zip() {
    (cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
    unpack_zip "$state/unpacked"
    start_program "$folder"
    run_wine "$folder/velmaroctl.exe" new -o "$(velmaro_windows_path "$state/new.qzc")" \
        || fail "velmaroctl.exe ended with exit code $?"
    [ "$(stat -c %s "$state/new.qzc")" = 512 ] || fail "velmaroctl.exe did not write a configuration"
}

test_installer() {
    local setup dir menu
    setup=$(ls "$dist"/velmaro-*-$platform-setup.exe) || fail "no $platform installer in $dist"
    unpack_zip "$state/expected"
    run_wine "$setup" /S || fail "the installer ended with exit code $?"
    dir="$WINEPREFIX/drive_c/Program Files (x86)/VELMARO"
    [ -d "$dir" ] || dir="$WINEPREFIX/drive_c/Program Files/VELMARO"
    [ -f "$dir/velmaro.exe" ] || fail "nothing installed in Program Files\\VELMARO"
    diff <({ files_under "$folder"; echo Uninstall.exe; } | LC_ALL=C sort) <(files_under "$dir") \
        || fail "the installed files differ from the zip's"
    menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VELMARO Configuration Utility"
    [ -f "$menu/VELMARO Configuration Utility.lnk" ] || fail "no Start-menu shortcut"
    # Its working folder is the program's own, where the pictures are found.
    local windows_dir="C:${dir#"$WINEPREFIX/drive_c"}"
    strings -el "$menu/VELMARO Configuration Utility.lnk" | grep -qxF "${windows_dir//\//\\}" \
        || fail "the shortcut does not start the program in $windows_dir"
    registry_has "$uninstall_key" || fail "no entry in Add/Remove Programs"
    start_program "$dir"
    rm "$dir/VELMAROSN.dll"
    run_wine "$dir/Uninstall.exe" /S || fail "the uninstaller ended with exit code $?"
    # The uninstaller runs from a copy of itself and returns at once: wait until it has removed
    # the folder, the shortcut and the entry (it does them in turn).
    local deadline=$((SECONDS + 60))
    while { [ -e "$dir" ] || [ -e "$menu" ]; } && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
    while registry_has "$uninstall_key" && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
    [ ! -e "$dir" ] || fail "left behind: $(cd "$dir" && find . -type f)"
    [ ! -e "$menu" ] || fail "the Start-menu folder is left behind"
    ! registry_has "$uninstall_key" || fail "the Add/Remove Programs entry is left behind"
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
