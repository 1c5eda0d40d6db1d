#!/usr/bin/env bash
# Runs a Windows executable under Wine for ctest (the cross build's emulator): a prefix
# and a virtual display of the build tree's own, a persistent wineserver, and wine's output
# streamed from a file so that Wine's helper processes never hold ctest's pipe open.
# Every process started here costs tens of milliseconds, so the script starts few.
set -u
exe=$1; shift
here=${BASH_SOURCE[0]%/*}
[ "$here" = "${BASH_SOURCE[0]}" ] && here=.
. "$here/wine-common.sh"
case $exe in */*) bin_dir=${exe%/*} ;; *) bin_dir=. ;; esac
cd "$bin_dir" && bin_dir=$PWD && cd "$OLDPWD" || exit 1
# A state of its own for each display scale (VELMARO_WINE_DPI), its prefix copied from the default.
state=${bin_dir%/*}/wine
[ "${VELMARO_WINE_DPI:-96}" = 96 ] || state=$state-dpi$VELMARO_WINE_DPI
export VELMARO_WINE_PREFIX_SOURCE=${VELMARO_WINE_PREFIX_SOURCE:-${bin_dir%/*}/wine/prefix}
state=${VELMARO_WINE_STATE:-$state}
export VELMARO_WINE_KEEPER=${VELMARO_WINE_KEEPER:-$bin_dir/wine_keeper.exe}
velmaro_wine_prepare "$state" own || exit 1

out=${TMPDIR:-/tmp}/velmaro-wine.$$.$RANDOM
: > "$out" || exit 1
velmaro_wine "$exe" "$@" >"$out" 2>&1 < /dev/null &
pid=$!
tail -s 0.05 -n +1 -f --pid=$pid "$out" 2>/dev/null &
tail_pid=$!
wait $pid
rc=$?
wait $tail_pid 2>/dev/null
rm -f "$out"
[ $rc -eq 0 ] || echo "[wine] ${exe##*/} ended with exit code $rc" >&2
exit $rc
