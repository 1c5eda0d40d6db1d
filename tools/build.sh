#!/usr/bin/env bash
# Configures and builds both trees: build/ (native) with build/windows (cross) inside it.
set -eu
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMARO_BUILD_DIR:-$top/build}
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs"
