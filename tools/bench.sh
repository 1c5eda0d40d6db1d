#!/usr/bin/env bash
# The transfer benchmarks with one command: the largest configuration (20 cells, the FN key,
# 399 bytes of macros) written and read at 1 ms and at 0 ms per exchange through velmaroctl
# natively, velmaroctl.exe under Wine and the real windows under Wine, each against its floor
# (exchanges x latency, plus the two 100 ms pauses of the utility's Read and Write commands).
# Figures only: a slow result does not fail it.
#
#   tools/bench.sh [ROUNDS]        (5 rounds of each by default)
#
# Uses the build trees of tools/build.sh (build/ and build/windows), building only what it runs.
set -eu
export LC_ALL=C
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMARO_BUILD_DIR:-$top/build}
rounds=${1:-5}
. "$top/tools/wine-common.sh"
win=$(velmaro_test_tree "$build")

if [ ! -f "$build/CMakeCache.txt" ] || [ ! -f "$win/CMakeCache.txt" ]; then "$top/tools/build.sh"; fi
cmake --build "$build" -j 2 --target transfer_bench velmaroctl >/dev/null
cmake --build "$win" -j 2 --target gui_transfer_benchmark velmaroctl wine_keeper pinout_art >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/velmaro-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The largest configuration as velmaroctl's JSON: 5 rows x 4 columns, the FN key on the first
# cell, macros 1-19 on the others, each of 16 make and 3 break steps (21 bytes; 399 in all).
largest_json() {
    local row column cell=0 slot step keys="" fn_keys="" macros="" line fn_line steps
    for row in 0 1 2 3 4; do
        line="" fn_line=""
        for column in 0 1 2 3; do
            if [ $cell = 0 ]; then line+='"FN"'; else line+="\"macro $cell\""; fi
            if [ $cell = 0 ]; then fn_line+='"FN"'; elif [ $cell = 19 ]; then fn_line+='"Space"'; else fn_line+='"Not Used"'; fi
            [ $column = 3 ] || { line+=", "; fn_line+=", "; }
            cell=$((cell + 1))
        done
        keys+="[$line]" fn_keys+="[$fn_line]"
        [ $row = 4 ] || { keys+=", "; fn_keys+=", "; }
    done
    for slot in $(seq 0 18); do
        steps=""
        for step in $(seq 0 15); do steps+="$((4 + (slot + step) % 90)), "; done
        macros+="{\"number\": $((slot + 1)), \"make\": [${steps%, }], \"break\": [132, 133, 134]}"
        [ $slot = 18 ] || macros+=", "
    done
    printf '{"format": "velmaro-config", "version": 1, "rows": 5, "columns": 4,\n'
    printf ' "column_pins": [1, 2, 3, 4], "row_pins": [5, 6, 7, 8, 9],\n'
    printf ' "keys": [%s],\n "fn_keys": [%s],\n "macros": [%s]}\n' "$keys" "$fn_keys" "$macros"
}

# A fresh folder of emulated units with unit 1 at the given latency.
fresh_units() {                  # $1 folder, $2 latency_us
    rm -rf "$1"
    mkdir -p "$1/unit1"
    echo 12345678 > "$1/unit1/serial"
    echo "$2" > "$1/unit1/latency_us"
}

print_header() {
    printf '%d rounds each; ratio = wall / floor, for the mean and for the least\n' "$rounds"
    printf '%-32s %8s %9s %9s %9s %9s  %s\n' path latency exchanges "mean ms" "least ms" "floor ms" ratio
}

# Runs a command ROUNDS times against unit 1 of $units and prints its row; the floor is the
# logged exchanges per round times the latency.
bench_rounds() {                 # $1 label, $2 latency_us, then the command
    local label=$1 latency=$2 round start end times=""
    shift 2
    : > "$units/unit1/exchanges.log"
    for ((round = 0; round < rounds; round++)); do
        start=$EPOCHREALTIME
        if ! VELMARO_SIM_DIR=$units "$@" >"$work/out" 2>&1 </dev/null; then
            printf '%-32s failed: %s\n' "$label" "$(head -c 200 "$work/out")"
            return 0
        fi
        end=$EPOCHREALTIME
        times+="$start $end "
    done
    local exchanges
    exchanges=$(grep -c -E '^(write|read) ' "$units/unit1/exchanges.log" || true)
    echo "$times" | awk -v label="$label" -v latency="$latency" -v exchanges="$exchanges" -v rounds="$rounds" '{
        least = -1; total = 0
        for (i = 1; i < NF; i += 2) { t = ($(i + 1) - $i) * 1000; total += t; if (least < 0 || t < least) least = t }
        per = exchanges / rounds; floor = per * latency / 1000; mean = total / rounds
        ratio = floor > 0 ? sprintf("%.3f %.3f", mean / floor, least / floor) : "-"
        printf "%-32s %5d us %9d %9.1f %9.1f %9.1f  %s\n", label, latency, per, mean, least, floor, ratio
    }'
}

# velmaroctl's write and read at each latency, and its start-up with no unit work (show).
bench_velmaroctl() {             # $1 label prefix, then the velmaroctl command (without arguments)
    local prefix=$1 latency
    shift
    local qzc=$work/largest.qzc back=$work/back.qzc
    if [ "$prefix" != native ]; then
        qzc=$(velmaro_windows_path "$qzc") back=$(velmaro_windows_path "$back")
    fi
    for latency in 1000 0; do
        fresh_units "$units" "$latency"
        bench_rounds "$prefix: velmaroctl write" "$latency" "$@" write "$qzc" --unit 1
        bench_rounds "$prefix: velmaroctl read" "$latency" "$@" read -o "$back" --unit 1
    done
    bench_rounds "$prefix: start-up (velmaroctl show)" 0 "$@" show "$qzc"
}

units=$work/units
largest_json > "$work/largest.json"
"$build/velmaroctl" import "$work/largest.json" -o "$work/largest.qzc" >/dev/null

echo "== The emulated unit and the transfers natively"
"$build/transfer_bench"
echo
echo "== velmaroctl, largest configuration (20 cells, FN key, 399 macro bytes)"
print_header
bench_velmaroctl native "$build/velmaroctl"
export VELMARO_WINE_KEEPER=$win/bin/wine_keeper.exe
if velmaro_wine_prepare "$win/wine" own; then
    bench_velmaroctl Wine velmaro_wine "$win/bin/velmaroctl.exe"
    echo
    echo "== The real windows under Wine"
    (cd "$win/bin" && "$top/tools/wine-run.sh" ./gui_transfer_benchmark.exe "$rounds") || true
    velmaro_wine_stop "$win/wine"
else
    echo "Wine could not be prepared: no figures under Wine"
fi
