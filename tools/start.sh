#!/usr/bin/env bash
# Installs what is missing, builds, and opens the utility under Wine with one emulated unit
# (serial number 12345678) holding the default configuration. The unit and the Wine prefix are
# kept in build/start/, so the unit remembers what was written to it. The program runs from
# build/start/program/, laid out as an installation: the program, the stand-in library, the
# pictures and the user manual (F1) side by side. Without a display the utility opens on a
# virtual one; a PNG screenshot of it is saved and its place printed.
set -eu
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMARO_BUILD_DIR:-$top/build}
start=$build/start
"$top/tools/setup.sh"
"$top/tools/build.sh"
. "$top/tools/wine-common.sh"
bin=$(velmaro_test_tree "$build")/bin
program=$start/program
mkdir -p "$program"
cp -a "$bin/velmaro.exe" "$bin/VELMAROSN.dll" "$bin/wine_screenshot.exe" "$bin/Resource" "$build/docs/manual.html" "$program/"

units=$start/units
mkdir -p "$units/unit1"
[ -s "$units/unit1/serial" ] || printf '12345678' > "$units/unit1/serial"
if [ ! -s "$units/unit1/image.bin" ]; then
    VELMARO_SIM_DIR=$units "$build/velmaroctl" new -o "$start/default.qzc" >/dev/null
    VELMARO_SIM_DIR=$units "$build/velmaroctl" write "$start/default.qzc" --unit 1 >/dev/null
fi

export VELMARO_SIM_DIR
if [ -n "${DISPLAY:-}" ]; then
    velmaro_wine_prepare "$start/wine" shared || exit 1
    VELMARO_SIM_DIR=$(velmaro_windows_path "$units")
    cd "$program"
    echo "Opening the utility on $DISPLAY (emulated unit in $units)"
    velmaro_wine ./velmaro.exe
    exit $?
fi

VELMARO_SIM_DIR=$(velmaro_windows_path "$units")
shot=$start/velmaro.png
cd "$program"
if ! velmaro_screenshot "$start/wine" startup "$shot"; then
    echo "The utility did not come up on the virtual display" >&2
    exit 1
fi
echo "No display: the utility ran on a virtual one (unit 1, serial 12345678, in $units)."
echo "Screenshot: $shot"
