#!/usr/bin/env bash
# Takes a PNG of the utility in a given state, window frames included, on a virtual display of
# its own with emulated units set up for that state:
#
#   tools/screenshot.sh [STATE] [OUT.png]
#
# STATE: startup (default), about, help-single-key, help-ghost-keys, help-macro, help-fn-table,
# save-dialog, open-dialog, write-progress, read-progress, select-unit-write, select-unit-read,
# no-device. The picture goes to OUT.png, by default build/screenshots/STATE.png.
set -eu
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMARO_BUILD_DIR:-$top/build}
bin=$build/windows/bin
name=${1:-startup}
shots=$build/screenshots
out=${2:-$shots/$name.png}
. "$top/tools/wine-common.sh"

if [ ! -f "$bin/velmaro.exe" ] || [ ! -f "$bin/wine_screenshot.exe" ] || [ ! -x "$build/velmaroctl" ]; then
    "$top/tools/build.sh"
fi

# Units for the state: three for the selection, a slow one for the progress windows.
units=$shots/units-$name
rm -rf "$units"
mkdir -p "$units" "$(dirname "$out")"
count=1
case $name in
    select-unit-*) count=3 ;;
    no-device) count=0 ;;
esac
for n in $(seq 1 $count); do
    mkdir -p "$units/unit$n"
    printf '%s' "1234567$n" > "$units/unit$n/serial"
done
if [ $count -gt 0 ]; then
    VELMARO_SIM_DIR=$units "$build/velmaroctl" new -o "$shots/default.qzc" >/dev/null
    VELMARO_SIM_DIR=$units "$build/velmaroctl" write "$shots/default.qzc" --unit 1 >/dev/null 2>&1
    rm -f "$units"/unit*/exchanges.log
fi
case $name in *-progress) echo 20000 > "$units/unit1/latency_us" ;; esac

export VELMARO_SIM_DIR
VELMARO_SIM_DIR=$(velmaro_windows_path "$units")
cd "$bin"
if ! velmaro_screenshot "$shots/wine" "$name" "$out"; then
    echo "screenshot of \"$name\" failed" >&2
    exit 1
fi
echo "Screenshot of \"$name\": $out"
