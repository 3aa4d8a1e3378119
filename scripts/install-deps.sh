#!/usr/bin/env bash
# Installs what the build and the tests need: the MinGW-w64 cross compiler,
# Wine, Xvfb and the GoogleTest sources. Quick no-op when all is there.
set -euo pipefail

need=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || need+=(g++-mingw-w64-x86-64-posix)
[ -d /usr/x86_64-w64-mingw32/include ] || need+=(mingw-w64-x86-64-dev)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
command -v xvfb-run >/dev/null 2>&1 || need+=(xvfb xauth)
[ -f /usr/src/googletest/googletest/src/gtest-all.cc ] || need+=(googletest)
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v python3 >/dev/null 2>&1 || need+=(python3)

[ ${#need[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${need[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
