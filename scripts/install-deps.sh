#!/usr/bin/env bash
# Installs what the build and the tests need: the MinGW-w64 cross compiler,
# Wine, Xvfb, the GoogleTest sources and the Python modules that write the
# signed test catalogs. With "arm64": what the ARM64 build needs instead
# (clang, lld and the LLVM tools 14, and what builds their sysroot). Quick
# no-op when all is there.
set -euo pipefail

need=()
if [ "${1:-}" = arm64 ]; then
    command -v clang++-14 >/dev/null 2>&1 || need+=(clang-14)
    command -v ld.lld-14 >/dev/null 2>&1 || need+=(lld-14)
    command -v llvm-windres-14 >/dev/null 2>&1 || need+=(llvm-14)
    command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
    command -v make >/dev/null 2>&1 || need+=(make)
fi
# Both builds need these.
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v python3 >/dev/null 2>&1 || need+=(python3)
# The x64 build and its tests under Wine.
[ "${1:-}" = arm64 ] || {
command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || need+=(g++-mingw-w64-x86-64-posix)
[ -d /usr/x86_64-w64-mingw32/include ] || need+=(mingw-w64-x86-64-dev)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
command -v xvfb-run >/dev/null 2>&1 || need+=(xvfb xauth)
[ -f /usr/src/googletest/googletest/src/gtest-all.cc ] || need+=(googletest)
# The test catalogs are written with the system interpreter's modules.
/usr/bin/python3 -c 'import asn1crypto' >/dev/null 2>&1 || need+=(python3-asn1crypto)
/usr/bin/python3 -c 'import cryptography' >/dev/null 2>&1 || need+=(python3-cryptography)
}

[ ${#need[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${need[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
