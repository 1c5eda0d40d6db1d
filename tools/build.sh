#!/usr/bin/env bash
# Configures and builds the trees: build/ (native) with build/windows (the 32-bit Windows
# program, the one users run) and build/windows64 (the same for x86-64) inside it.
set -eu
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMARO_BUILD_DIR:-$top/build}
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs"
