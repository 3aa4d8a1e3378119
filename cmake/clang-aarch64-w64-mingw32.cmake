# Cross build for Windows on ARM64 with Debian's clang-14 and lld-14 and the
# sysroot that scripts/arm64-sysroot.sh builds (make arm64 passes its path as
# TAVELIN_ARM64_SYSROOT). Its bin folder holds the drivers for the target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

if(NOT TAVELIN_ARM64_SYSROOT)
    set(TAVELIN_ARM64_SYSROOT "$ENV{TAVELIN_ARM64_SYSROOT}")
endif()
if(NOT EXISTS "${TAVELIN_ARM64_SYSROOT}/.complete")
    message(FATAL_ERROR "No ARM64 sysroot at \"${TAVELIN_ARM64_SYSROOT}\": make arm64 builds one.")
endif()
# try_compile projects see the same variable.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TAVELIN_ARM64_SYSROOT)

set(TOOLCHAIN_PREFIX aarch64-w64-mingw32)
set(CMAKE_C_COMPILER   ${TAVELIN_ARM64_SYSROOT}/bin/${TOOLCHAIN_PREFIX}-clang)
set(CMAKE_CXX_COMPILER ${TAVELIN_ARM64_SYSROOT}/bin/${TOOLCHAIN_PREFIX}-clang++)
set(CMAKE_RC_COMPILER  ${TAVELIN_ARM64_SYSROOT}/bin/${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_DLLTOOL      ${TAVELIN_ARM64_SYSROOT}/bin/${TOOLCHAIN_PREFIX}-dlltool)
set(CMAKE_AR           /usr/bin/llvm-ar-14)
set(CMAKE_RANLIB       /usr/bin/llvm-ranlib-14)

set(CMAKE_FIND_ROOT_PATH ${TAVELIN_ARM64_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The sysroot's headers name their own paths (assertions): keep the cache's
# location out of the binaries, as the build's own folders are.
set(CMAKE_C_FLAGS_INIT "-ffile-prefix-map=${TAVELIN_ARM64_SYSROOT}=/sysroot")
set(CMAKE_CXX_FLAGS_INIT "-ffile-prefix-map=${TAVELIN_ARM64_SYSROOT}=/sysroot")
# The resource preprocessor reads the sysroot's headers as a user's: quiet
# about their own repeated defines, as gcc's windres is.
set(CMAKE_RC_FLAGS_INIT "--preprocessor-arg=-Wno-macro-redefined")
