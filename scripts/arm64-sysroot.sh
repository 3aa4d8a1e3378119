#!/bin/bash
# Builds (once) and prints the path of a mingw-w64 sysroot for
# aarch64-w64-mingw32, for Debian's clang-14 and lld-14: mingw-w64 headers, CRT
# and import libraries, compiler-rt builtins, libunwind, libc++abi and libc++.
#
# The sources are Debian's own source packages, at pinned versions whose .dsc
# checksums are checked here. They are fetched with `apt-get source` through a
# private apt configuration: this machine's own source entries with deb-src
# added, and private lists and cache, so the system's apt state stays as it is.
#
# The result is cached outside the source tree, under
#   $TAVELIN_ARM64_CACHE (default: ${XDG_CACHE_HOME:-$HOME/.cache}/tavelin-arm64)
# in a folder named after the pinned versions and this recipe's revision. It is
# built in a scratch folder and renamed into place only when complete, so an
# interrupted run leaves nothing that a later run could mistake for a sysroot;
# a later run simply starts again. The downloaded source packages are kept
# beside it (checked against their checksums on every use), so a retry does
# not fetch them again. Runs at the same time wait for each other. Any failure
# stops the script with a message and a nonzero exit code.
#
# Usage: arm64-sysroot.sh   (prints the sysroot's path on stdout; JOBS sets the
# number of parallel compiles)
set -euo pipefail

MINGW_VERSION=10.0.0-3
MINGW_DSC_SHA256=8ea9e74761e39cf6fc93be1f254ef105b847a85a1fc6fdb09cbf16d6e4411b8a
LLVM_VERSION=1:14.0.6-12
LLVM_DSC_SHA256=5a8be914a6df7cbf5b7e10f6b1f211b8cf45994665109a73a172040193191921
# Raise when the recipe below changes, so that caches built by an older one are
# not used.
RECIPE=2

TRIPLE=aarch64-w64-mingw32
CACHE_ROOT=${TAVELIN_ARM64_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tavelin-arm64}
NAME=sysroot-mingw-${MINGW_VERSION}-llvm-${LLVM_VERSION#*:}-r${RECIPE}
SYSROOT=$CACHE_ROOT/$NAME
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}

say() { echo "arm64-sysroot: $*" >&2; }
die() { say "FAILED: $*"; exit 1; }

if [ -f "$SYSROOT/.complete" ]; then
    echo "$SYSROOT"
    exit 0
fi
mkdir -p "$CACHE_ROOT"
exec 9>"$CACHE_ROOT/.lock"
flock 9
# Another run may have finished it while this one waited.
if [ -f "$SYSROOT/.complete" ]; then
    echo "$SYSROOT"
    exit 0
fi

for tool in clang-14 clang++-14 ld.lld-14 llvm-ar-14 llvm-ranlib-14 llvm-dlltool-14 \
            llvm-windres-14 cmake ninja apt-get sha256sum make flock; do
    command -v "$tool" >/dev/null || die "$tool is missing (scripts/install-deps.sh arm64 installs it)"
done
CLANG_RESOURCE=$(clang-14 -print-resource-dir)
[ -d "$CLANG_RESOURCE/include" ] || die "clang-14 has no resource headers at $CLANG_RESOURCE"

# Scratch folders left here were a killed run's: runs hold the lock.
rm -rf "$CACHE_ROOT"/work.*
STARTED=$(date +%s)
WORK=$(mktemp -d "$CACHE_ROOT/work.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
STAGE=$WORK/sysroot
mkdir -p "$STAGE"
say "building $NAME in $WORK (about two minutes on 2 CPUs)"

# --- Sources -----------------------------------------------------------------
# Source entries: every deb entry this machine's apt reads, again as deb-src.
APT=$WORK/apt
mkdir -p "$APT/parts" "$APT/lists/partial" "$APT/cache/archives/partial"
: > "$APT/sources.list"
src_entries=0
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    # One-line format: each "deb ..." line, repeated as "deb-src ...".
    if grep -E '^[[:space:]]*deb[[:space:]]' "$f" \
        | sed -E 's/^[[:space:]]*deb[[:space:]]/deb-src /' >> "$APT/sources.list"; then
        src_entries=$((src_entries + 1))
    fi
done
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # deb822 format: "Types: deb" becomes "Types: deb-src"; stanzas that
    # already list deb-src are kept as they are.
    sed -E '/^Types:/{/deb-src/!s/^Types:.*$/Types: deb-src/}' "$f" \
        > "$APT/parts/$(basename "$f")"
    src_entries=$((src_entries + 1))
done
[ "$src_entries" -gt 0 ] || die "this machine's apt configuration has no source entries to derive from"

apt_private() {
    apt-get -q \
        -o Dir::Etc::SourceList="$APT/sources.list" \
        -o Dir::Etc::SourceParts="$APT/parts" \
        -o Dir::State::Lists="$APT/lists" \
        -o Dir::Cache="$APT/cache" \
        -o APT::Sandbox::User=root \
        "$@"
}

# A repository without source indexes only warns; the packages below must be
# found all the same. The indexes are read only when a download is needed.
indexes_read=
read_indexes() {
    [ -n "$indexes_read" ] && return
    say "reading source indexes"
    apt_private update >&2 || say "apt-get update reported errors; going on with the indexes it got"
    indexes_read=1
}

SRC=$CACHE_ROOT/sources
mkdir -p "$SRC"
# True when the .dsc has the pinned checksum and every file it lists matches
# its SHA-256 there.
sources_good() {
    local dsc=$1 sha=$2
    [ -f "$SRC/$dsc" ] || return 1
    echo "$sha  $SRC/$dsc" | sha256sum -c --quiet - >/dev/null 2>&1 || return 1
    sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$SRC/$dsc" \
        | awk -v d="$SRC" '{print $1 "  " d "/" $3}' \
        | sha256sum -c --quiet - >/dev/null 2>&1
}
fetch() {
    local pkg=$1 version=$2 sha=$3 dsc try
    dsc=${pkg}_${version#*:}.dsc
    if sources_good "$dsc" "$sha"; then
        say "$pkg $version: the cached sources match their checksums"
        return
    fi
    read_indexes
    for try in 1 2 3; do
        if (cd "$SRC" && apt_private source --download-only "$pkg=$version" >&2); then
            break
        fi
        [ "$try" = 3 ] && die "apt-get source $pkg=$version failed three times"
        say "apt-get source $pkg=$version failed; trying again"
        sleep 5
    done
    if ! sources_good "$dsc" "$sha"; then
        # Nothing that failed the check is kept for a later run.
        rm -f "$SRC/$dsc"
        die "$dsc or a file it lists does not match the pinned checksums"
    fi
}
fetch mingw-w64 "$MINGW_VERSION" "$MINGW_DSC_SHA256"
fetch llvm-toolchain-14 "$LLVM_VERSION" "$LLVM_DSC_SHA256"

say "unpacking"
mkdir -p "$WORK/mingw" "$WORK/llvm"
tar -xjf "$SRC"/mingw-w64_"${MINGW_VERSION%-*}".orig.tar.bz2 -C "$WORK/mingw" --strip-components=1
LLVM_UPSTREAM=${LLVM_VERSION#*:}
LLVM_UPSTREAM=${LLVM_UPSTREAM%-*}
top=llvm-toolchain-14_$LLVM_UPSTREAM
tar -xJf "$SRC/llvm-toolchain-14_$LLVM_UPSTREAM.orig.tar.xz" -C "$WORK/llvm" --strip-components=1 \
    "$top/cmake" "$top/runtimes" "$top/libunwind" "$top/libcxx" "$top/libcxxabi" \
    "$top/compiler-rt" "$top/llvm/cmake" "$top/llvm/utils/llvm-lit" "$top/llvm/utils/lit"

# --- Compiler drivers for the sysroot being built ---------------------------
# clang looks for the compiler-rt builtins in its resource folder; the sysroot
# carries its own, with clang's headers linked in.
mkdir -p "$STAGE/clang/lib/windows" "$STAGE/bin"
ln -s "$CLANG_RESOURCE/include" "$STAGE/clang/include"
for driver in clang clang++; do
    cat > "$STAGE/bin/$TRIPLE-$driver" <<EOF
#!/bin/sh
# $driver-14 for $TRIPLE with this sysroot (made by scripts/arm64-sysroot.sh).
d=\$(cd "\$(dirname "\$0")/.." && pwd)
exec $driver-14 -target $TRIPLE --sysroot="\$d" -resource-dir="\$d/clang" \\
    -rtlib=compiler-rt --unwindlib=libunwind -stdlib=libc++ -fuse-ld=lld \\
    -Wno-unused-command-line-argument "\$@"
EOF
    chmod +x "$STAGE/bin/$TRIPLE-$driver"
done
cat > "$STAGE/bin/$TRIPLE-windres" <<EOF
#!/bin/sh
# llvm-windres-14 for $TRIPLE, preprocessing with this sysroot's headers.
d=\$(cd "\$(dirname "\$0")/.." && pwd)
exec llvm-windres-14 --target=$TRIPLE -I"\$d/include" "\$@"
EOF
cat > "$STAGE/bin/$TRIPLE-dlltool" <<EOF
#!/bin/sh
# llvm-dlltool-14 writing ARM64 import libraries.
exec llvm-dlltool-14 -m arm64 "\$@"
EOF
chmod +x "$STAGE/bin/$TRIPLE-windres" "$STAGE/bin/$TRIPLE-dlltool"
export PATH="$STAGE/bin:$PATH"
CC=$TRIPLE-clang
CXX=$TRIPLE-clang++
# Debug paths of the scratch folder stay out of the libraries.
PREFIX_MAP="-ffile-prefix-map=$WORK=/src"

# --- mingw-w64 headers, CRT and import libraries ----------------------------
say "mingw-w64 headers"
mkdir -p "$WORK/b-headers"
(cd "$WORK/b-headers" && "$WORK/mingw/mingw-w64-headers/configure" \
    --host=$TRIPLE --prefix="$STAGE" --enable-sdk=all --with-default-msvcrt=msvcrt \
    --with-default-win32-winnt=0x601 >/dev/null && make install >/dev/null) \
    || die "mingw-w64 headers"

say "mingw-w64 CRT and import libraries"
mkdir -p "$WORK/b-crt"
(cd "$WORK/b-crt" && "$WORK/mingw/mingw-w64-crt/configure" \
    --host=$TRIPLE --prefix="$STAGE" --with-sysroot="$STAGE" \
    --disable-lib32 --disable-lib64 --enable-libarm64 --disable-libarm32 \
    --with-default-msvcrt=msvcrt \
    CC="$CC" CXX="$CXX" AR=llvm-ar-14 RANLIB=llvm-ranlib-14 DLLTOOL=llvm-dlltool-14 \
    CFLAGS="-O2 $PREFIX_MAP" >/dev/null \
    && make -j"$JOBS" >/dev/null && make install >/dev/null) \
    || die "mingw-w64 CRT"

RT_CMAKE=(-G Ninja -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_CROSSCOMPILING=TRUE
    -DCMAKE_C_COMPILER="$CC" -DCMAKE_CXX_COMPILER="$CXX"
    -DCMAKE_C_COMPILER_WORKS=TRUE -DCMAKE_CXX_COMPILER_WORKS=TRUE
    -DCMAKE_AR="$(command -v llvm-ar-14)" -DCMAKE_RANLIB="$(command -v llvm-ranlib-14)"
    -DCMAKE_C_FLAGS="$PREFIX_MAP" -DCMAKE_CXX_FLAGS="$PREFIX_MAP"
    -DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY)

say "compiler-rt builtins"
cmake -S "$WORK/llvm/compiler-rt/lib/builtins" -B "$WORK/b-builtins" "${RT_CMAKE[@]}" \
    -DCMAKE_INSTALL_PREFIX="$STAGE/clang" \
    -DCMAKE_C_COMPILER_TARGET=$TRIPLE -DCMAKE_ASM_COMPILER_TARGET=$TRIPLE \
    -DCOMPILER_RT_DEFAULT_TARGET_ONLY=TRUE -DCOMPILER_RT_USE_BUILTINS_LIBRARY=TRUE \
    -DCOMPILER_RT_BUILD_BUILTINS=TRUE -DCOMPILER_RT_EXCLUDE_ATOMIC_BUILTIN=FALSE \
    -DLLVM_CONFIG_PATH="" >/dev/null || die "compiler-rt builtins: configure"
cmake --build "$WORK/b-builtins" -j "$JOBS" --target install >/dev/null || die "compiler-rt builtins"
[ -f "$STAGE/clang/lib/windows/libclang_rt.builtins-aarch64.a" ] \
    || die "compiler-rt builtins were not installed where clang looks for them"

say "libunwind, libc++abi, libc++"
cmake -S "$WORK/llvm/runtimes" -B "$WORK/b-runtimes" "${RT_CMAKE[@]}" \
    -DCMAKE_INSTALL_PREFIX="$STAGE" \
    -DCMAKE_C_COMPILER_TARGET=$TRIPLE -DCMAKE_CXX_COMPILER_TARGET=$TRIPLE \
    -DLLVM_DEFAULT_TARGET_TRIPLE=$TRIPLE \
    -DLLVM_PATH="$WORK/llvm/llvm" \
    -DLLVM_ENABLE_RUNTIMES="libunwind;libcxxabi;libcxx" \
    -DLIBUNWIND_USE_COMPILER_RT=ON -DLIBUNWIND_ENABLE_SHARED=OFF -DLIBUNWIND_ENABLE_STATIC=ON \
    -DLIBCXXABI_USE_COMPILER_RT=ON -DLIBCXXABI_USE_LLVM_UNWINDER=ON \
    -DLIBCXXABI_ENABLE_SHARED=OFF -DLIBCXXABI_ENABLE_STATIC=ON -DLIBCXXABI_LIBDIR_SUFFIX="" \
    -DLIBCXXABI_NON_DEMANGLING_TERMINATE=ON \
    -DLIBCXX_USE_COMPILER_RT=ON -DLIBCXX_ENABLE_SHARED=OFF -DLIBCXX_ENABLE_STATIC=ON \
    -DLIBCXX_CXX_ABI=libcxxabi -DLIBCXX_ENABLE_STATIC_ABI_LIBRARY=ON \
    -DLIBCXX_LIBDIR_SUFFIX="" -DLIBCXX_INCLUDE_TESTS=OFF -DLIBCXX_INCLUDE_BENCHMARKS=OFF \
    -DLIBCXX_ENABLE_ABI_LINKER_SCRIPT=OFF -DLIBCXX_ENABLE_EXPERIMENTAL_LIBRARY=OFF \
    -DLIBCXXABI_INCLUDE_TESTS=OFF -DLIBUNWIND_INCLUDE_TESTS=OFF \
    >/dev/null || die "runtimes: configure"
cmake --build "$WORK/b-runtimes" -j "$JOBS" --target install >/dev/null || die "libunwind, libc++abi, libc++"
for lib in libc++.a libc++abi.a libunwind.a libmsvcrt.a libkernel32.a libsetupapi.a; do
    [ -f "$STAGE/lib/$lib" ] || die "$lib is missing from the sysroot"
done

# --- A test link, then into place -------------------------------------------
cat > "$WORK/probe.cpp" <<'EOF'
#include <string>
#include <windows.h>
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    std::wstring s(L"probe");
    try { throw s.size(); } catch (size_t n) { return static_cast<int>(n) - 5; }
}
EOF
$CXX -municode -mwindows -O2 -static -o "$WORK/probe.exe" "$WORK/probe.cpp" \
    || die "the new sysroot does not link a C++ program"

# Wrappers refer to the sysroot by their own location, so the folder can move.
touch "$STAGE/.complete"
rm -rf "$SYSROOT"
mv "$STAGE" "$SYSROOT"
# Sysroots of other versions or recipes are of no more use.
for old in "$CACHE_ROOT"/sysroot-*; do
    [ "$old" = "$SYSROOT" ] || rm -rf "$old"
done
say "done in $(( $(date +%s) - STARTED )) s: $SYSROOT"
echo "$SYSROOT"
