#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the trees, then ctest runs the native
# tests, the fuzzer for a short while, the 32-bit program's Windows tests under Wine on a
# virtual display, and makes the packages and tries them under Wine.
set -eu
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMARO_BUILD_DIR:-$top/build}
"$top/tools/setup.sh"
"$top/tools/build.sh"
. "$top/tools/wine-common.sh"
status=0
if ! (cd "$build" && ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" "$@"); then
    # A fault fails again; a rare hiccup of Wine starting a test process does not.
    # ctest's list of the failed tests, "number:name" a line, before the rerun replaces it.
    rerun=$(cut -d: -f2- "$build/Testing/Temporary/LastTestsFailed.log" 2>/dev/null || true)
    echo "Running the failed tests once more:"
    (cd "$build" && ctest --rerun-failed --output-on-failure) || status=$?
fi
for state in "$(velmaro_test_tree "$build")"/wine "$(velmaro_test_tree "$build")"/wine-dpi*; do
    [ -d "$state" ] && velmaro_wine_stop "$state"
done
if [ -n "${rerun:-}" ]; then
    echo "These tests failed the first time:"
    printf '%s\n' "$rerun" | sed 's/^/  /'
fi
exit $status
