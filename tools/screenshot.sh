#!/usr/bin/env bash
# Takes a PNG of the utility in a given state, window frames included, on a virtual display of
# its own with emulated units set up for that state:
#
#   tools/screenshot.sh [--dpi DPI] [STATE] [OUT.png]
#   tools/screenshot.sh --manual       (every picture of the user manual, into docs/images/)
#
# --dpi DPI: the display at that DPI (144 is 150 %; 96, the default, is 100 %), in a Wine prefix
# of its own.
#
# STATE: startup (default), about, help-single-key, help-ghost-keys, help-macro, help-fn-table,
# save-dialog, open-dialog, write-progress, read-progress, select-unit-write, select-unit-read,
# no-device; with the worked example of the manual (docs/example-3x3.json) on the unit:
# example, fn-view, pin-clash, select-key, macro-editor, macro-action, key-tester,
# macro-recorder, compare (the editor's default configuration against the example on the unit);
# write-all (two units). The picture goes to
# OUT.png, by default build/screenshots/STATE.png (STATE-DPI.png with --dpi).
set -eu
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMARO_BUILD_DIR:-$top/build}
manual_states="startup example fn-view pin-clash select-key macro-editor macro-action
  help-ghost-keys write-progress select-unit-write no-device key-tester macro-recorder compare write-all"

# The pictures at 150 % (a display of 144 DPI), beside those at 100 %: STATE-150.png.
manual_states_150="startup"

if [ "${1:-}" = --manual ]; then
    mkdir -p "$build/screenshots/manual"
    for picture in $manual_states $(printf '%s-150 ' $manual_states_150); do
        state=${picture%-150}
        dpi=96
        [ "$picture" = "$state" ] || dpi=144
        "$0" --dpi $dpi "$state" "$build/screenshots/manual/$picture.png"
        # Without the time stamps a picture that did not change keeps its bytes.
        convert "$build/screenshots/manual/$picture.png" -strip "$top/docs/images/$picture.png"
    done
    echo "The manual's pictures are in $top/docs/images"
    exit 0
fi
dpi=96
if [ "${1:-}" = --dpi ]; then
    dpi=${2:?--dpi needs a DPI, for example 144}
    shift 2
fi
name=${1:-startup}
shots=$build/screenshots
suffix=""
[ "$dpi" = 96 ] || suffix=-$dpi
out=${2:-$shots/$name$suffix.png}
case $out in /*) ;; *) out=$PWD/$out ;; esac
export VELMARO_WINE_DPI=$dpi VELMARO_WINE_PREFIX_SOURCE=$shots/wine/prefix
. "$top/tools/wine-common.sh"
bin=$(velmaro_test_tree "$build")/bin

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
    write-all) count=2 ;;
    no-device) count=0 ;;
esac
for n in $(seq 1 $count); do
    mkdir -p "$units/unit$n"
    printf '%s' "1234567$n" > "$units/unit$n/serial"
done
config=$shots/default.qzc
case $name in
    example|fn-view|pin-clash|select-key|macro-editor|macro-action|key-tester|macro-recorder|compare)
        config=$shots/example.qzc
        "$build/velmaroctl" import "$top/docs/example-3x3.json" -o "$config" >/dev/null ;;
    *) "$build/velmaroctl" new -o "$config" >/dev/null ;;
esac
if [ $count -gt 0 ]; then
    VELMARO_SIM_DIR=$units "$build/velmaroctl" write "$config" --unit 1 >/dev/null 2>&1
    rm -f "$units"/unit*/exchanges.log
fi
case $name in *-progress) echo 20000 > "$units/unit1/latency_us" ;; esac

export VELMARO_SIM_DIR
VELMARO_SIM_DIR=$(velmaro_windows_path "$units")
cd "$bin"
if ! velmaro_screenshot "$shots/wine$suffix" "$name" "$out"; then
    echo "screenshot of \"$name\" failed" >&2
    exit 1
fi
echo "Screenshot of \"$name\": $out"
