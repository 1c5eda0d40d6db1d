#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the trees, then ctest runs the native
# tests, the fuzzer for a short while, the Windows program's tests under Wine on a virtual
# display (the 32-bit program, or the x86-64 one where 32-bit programs do not start), reads the
# 32-bit program's headers, and makes the packages and tries them under Wine. The last line
# says which program the Windows tests ran on and which tests were skipped, and why.
set -eu -o pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMARO_BUILD_DIR:-$top/build}
"$top/tools/setup.sh"
"$top/tools/build.sh"
. "$top/tools/wine-common.sh"
status=0
first_run=$build/Testing/first-run
mkdir -p "$first_run"
if ! (cd "$build" && ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" "$@") | tee "$first_run/summary"; then
    # A fault fails again; a rare hiccup of Wine starting a test process does not.
    # ctest's list of the failed tests, "number:name" a line, before the rerun replaces it.
    rerun=$(cut -d: -f2- "$build/Testing/Temporary/LastTestsFailed.log" 2>/dev/null || true)
    cp "$build/Testing/Temporary/LastTest.log" "$first_run/" 2>/dev/null || true
    echo "Running the failed tests once more:"
    (cd "$build" && ctest --rerun-failed --output-on-failure) || status=$?
else
    cp "$build/Testing/Temporary/LastTest.log" "$first_run/" 2>/dev/null || true
fi
for state in "$(velmaro_test_tree "$build")"/wine "$(velmaro_test_tree "$build")"/wine-dpi*; do
    [ -d "$state" ] && velmaro_wine_stop "$state"
done
if [ -n "${rerun:-}" ]; then
    echo "These tests failed the first time:"
    printf '%s\n' "$rerun" | sed 's/^/  /'
fi

# The reason a skipped test gave in its output: a GoogleTest skip's message (the line after
# "...: Skipped"), or a line "Skipped: REASON".
skip_reason() {                  # $1 test name
    awk -v test="$1" '
        / Test: / { inside = substr($0, index($0, " Test: ") + 7) == test; next }
        !inside { next }
        /^<end of output>$/ { exit }
        after { print; exit }
        sub(/^Skipped: /, "") { print; exit }
        /: Skipped$/ { after = 1 }' "$first_run/LastTest.log" 2>/dev/null
}
if [ "$(velmaro_test_tree "$build")" = "$build/windows" ]; then
    program="the 32-bit program (build/windows)"
else
    program="the x86-64 program (build/windows64; this machine does not start 32-bit programs)"
fi
skipped=""
while read -r name; do
    reason=$(skip_reason "$name")
    skipped+="${skipped:+; }$name (${reason:-no reason given})"
done < <(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' "$first_run/summary")
echo "The Windows tests ran on $program; skipped: ${skipped:-none}."
exit $status
