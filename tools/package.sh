#!/usr/bin/env bash
# Makes what users download, in build/dist/: the 32-bit program (the one that loads the maker's
# 32-bit library) as a portable zip, velmaro-VERSION-win32.zip, and as an installer,
# velmaro-VERSION-setup.exe, and SHA256SUMS of the two. The x86-64 build is not a download.
# Installs what is missing and builds first; --no-build packages the tree as it is.
set -eu
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMARO_BUILD_DIR:-$top/build}
if [ "${1:-}" != --no-build ]; then
    "$top/tools/setup.sh"
    "$top/tools/build.sh"
fi
# Stripping writes a time stamp into each program: that of the last commit, so that the zip and
# the installer hold the same bytes.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$top" log -1 --format=%ct 2>/dev/null || echo 0)}
dist=$build/dist
rm -rf "$dist"
mkdir -p "$dist"
tree=$build/windows
rm -rf "$tree/packages"
(cd "$tree" && cpack -B "$tree/packages" > "$tree/cpack.log") || {
    cat "$tree/cpack.log" >&2
    exit 1
}
mv "$tree/packages"/velmaro-*.zip "$tree/packages"/velmaro-*.exe "$dist/"
(cd "$dist" && sha256sum velmaro-* > SHA256SUMS)
echo "Packages in $dist:"
(cd "$dist" && ls -l)
