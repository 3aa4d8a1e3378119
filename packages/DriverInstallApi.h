#pragma once

#include <windows.h>

#include "platform/difx/DifxApi.h"

// Who carries out the package calls of this process.
enum EDriverInstallPath
{
    installPathDifx = 1,   // DIFXAPI.dll, loaded by full path
    installPathNative = 2, // Windows' own device-installation API
    // An x64 build emulated on ARM64 Windows: every package call is refused
    // with ERROR_IN_WOW64 and changes nothing.
    installPathRefused = 3,
};

// The package calls of the runs, with DIFx's signatures and meaning, whoever
// provides them. The native provider takes DIFx's flags and reports its log
// events through the same callback, so the runs need not know which one runs.
struct DRIVER_INSTALL_API
{
    INT nPath;
    // Full path of the DIFXAPI.dll in use; empty for the native provider.
    LPCWSTR pszModulePath;
    PFN_DRIVER_PACKAGE_PREINSTALL_W pfnPreinstall;
    PFN_DRIVER_PACKAGE_INSTALL_W pfnInstall;
    PFN_DRIVER_PACKAGE_UNINSTALL_W pfnUninstall;
    PFN_DIFXAPI_SET_LOG_CALLBACK_W pfnSetLogCallback;
    // Why this provider and not DIFx, for the log's start line; null when
    // there is nothing to say.
    LPCWSTR pszWhy;
};

// The provider of this process, chosen once on first use: DIFx when a
// complete DIFXAPI.dll lies beside the exe, the native one otherwise. Only
// the thread that runs the operation asks.
const DRIVER_INSTALL_API& DriverInstallApi();
