#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the packages need, when any is missing.
# Everything needed is an amd64 package: the tests run the x86-64 Windows program under 64-bit
# Wine, and both mingw-w64 cross compilers (i686 and x86-64) are amd64 packages. Wine's 32-bit
# half is an extra, tried only where the kernel starts 32-bit programs; set-up carries on
# without it when the registry cannot serve it.
set -u
packages="cmake make g++ clang libclang-rt-14-dev googletest nlohmann-json3-dev libcli11-dev libexpat1-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine64 fonts-wine fonts-liberation xvfb xauth imagemagick procps util-linux
  nsis pandoc"
attempts=3
sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive

missing_of() {                   # prints the packages of "$@" that are not installed
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || printf ' %s' "$p"
    done
}

# An index that fails (a mirror in the middle of a sync, an architecture nothing needed comes
# from) does not stop set-up: the install that follows tells whether the indexes it needs are
# there.
refresh_indexes() {
    local log
    log=$(mktemp)
    $sudo apt-get update -qq > "$log" 2>&1 || grep -E '^(E|W):' "$log" | head -3 >&2
    rm -f "$log"
    return 0
}

# Installs "$@" in up to $attempts tries, refreshing the indexes between them; prints apt's
# last errors when all failed.
install_with_retries() {
    local try log
    log=$(mktemp)
    for try in $(seq 1 $attempts); do
        if $sudo apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1; then
            rm -f "$log"
            return 0
        fi
        [ "$try" -lt $attempts ] || break
        echo "apt-get install failed (attempt $try of $attempts); trying again in $((try * 5)) s" >&2
        sleep $((try * 5))
        refresh_indexes
    done
    grep -E '^(E|W):' "$log" | tail -5 >&2
    rm -f "$log"
    return 1
}

# True when the kernel starts 32-bit x86 programs: a minimal i386 ELF that only exits 0
# ("Exec format error" on a kernel built without 32-bit support).
kernel_runs_32bit() {
    local probe status
    probe=$(mktemp)
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' > "$probe"
    printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >> "$probe"
    printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >> "$probe"
    printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >> "$probe"
    printf '\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000' >> "$probe"
    printf '\270\001\000\000\000\061\333\315\200' >> "$probe"
    chmod +x "$probe"
    "$probe" >/dev/null 2>&1
    status=$?
    rm -f "$probe"
    return $status
}

missing=$(missing_of $packages)
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    refresh_indexes
    if ! install_with_retries $missing; then
        echo "Set-up stopped: these packages, which the build and the tests need, could not be" >&2
        echo "installed:$(missing_of $missing)" >&2
        echo "Check the network and /etc/apt/sources.list, then run this again." >&2
        exit 1
    fi
fi

# Wine's 32-bit half lets the tests run the 32-bit program itself; without it they run the
# x86-64 build of the same program. It is an extra: tried once, not retried.
if kernel_runs_32bit && [ -n "$(missing_of wine32:i386)" ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
        refresh_indexes
    fi
    if attempts=1 install_with_retries wine32:i386 2>/dev/null; then
        echo "Installed Wine's 32-bit half: the tests run the 32-bit program."
    else
        echo "Wine's 32-bit half is not available from the registry: the tests run the x86-64 program."
    fi
fi
exit 0
