#pragma once

#include "packages/DriverInstallApi.h"

// ERROR_IN_WOW64: SetupAPI's answer to a caller of another architecture
// than the machine's; installing drivers from an emulated process is not
// supported.
const DWORD c_dwErrorInWow64 = 0xE0000235;

// Fills pApi with the provider of an x64 build emulated on ARM64 Windows: each
// package call is refused with ERROR_IN_WOW64 and changes nothing, and its
// log event says to run the ARM64 build.
void GetRefusingDriverInstallApi(DRIVER_INSTALL_API* pApi);

// The refusal of one package by such a build, for an operation that no
// provider carries out (/c): logs it and returns ERROR_IN_WOW64.
DWORD RefuseEmulatedPackage(LPCWSTR pszInfPath);

