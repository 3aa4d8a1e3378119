#!/bin/bash
# Builds the ARM64 exe and the stand-in DLL into the folder given (make arm64):
# the same sources and flags as the x64 build, compiled by clang-14 against
# the sysroot of scripts/arm64-sysroot.sh, which is built first if no cached
# one is there.
# Usage: build-arm64.sh BUILD_FOLDER JOBS
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-arm64}
jobs=${2:-2}

bash scripts/install-deps.sh arm64
sysroot=$(JOBS=$jobs bash scripts/arm64-sysroot.sh)
[ -f "$sysroot/.complete" ] || { echo "build-arm64: no sysroot" >&2; exit 1; }

# A folder configured against another sysroot (an older recipe) starts over:
# CMake cannot change compilers in place.
if [ -f "$build/CMakeCache.txt" ] &&
    ! grep -qxF "TAVELIN_ARM64_SYSROOT:PATH=$sysroot" "$build/CMakeCache.txt"; then
    rm -rf "$build"
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/clang-aarch64-w64-mingw32.cmake \
        -DTAVELIN_ARM64_SYSROOT:PATH="$sysroot" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
fi
cmake --build "$build" --target tavelin difxapi_standin -j "$jobs"
