#!/usr/bin/env bash
# Makes what users download, in build/dist/: for the 32-bit program (the one for the maker's
# 32-bit library) and the 64-bit one, a portable zip and an installer each, and SHA256SUMS.
# Installs what is missing and builds first; --no-build packages the trees as they are.
set -eu
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMARO_BUILD_DIR:-$top/build}
if [ "${1:-}" != --no-build ]; then
    "$top/tools/setup.sh"
    "$top/tools/build.sh"
fi
dist=$build/dist
rm -rf "$dist"
mkdir -p "$dist"
for tree in windows windows64; do
    rm -rf "$build/$tree/packages"
    (cd "$build/$tree" && cpack -B "$build/$tree/packages" > "$build/$tree/cpack.log") || {
        cat "$build/$tree/cpack.log" >&2
        exit 1
    }
    mv "$build/$tree/packages"/velmaro-*.zip "$build/$tree/packages"/velmaro-*.exe "$dist/"
done
(cd "$dist" && sha256sum velmaro-* > SHA256SUMS)
echo "Packages in $dist:"
(cd "$dist" && ls -l)
