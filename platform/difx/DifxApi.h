#pragma once

// The part of the Driver Install Frameworks API (DIFXAPI.dll) that the package
// runs use. MinGW-w64 ships neither a header nor an import library for it; the
// import library is generated from difxapi.def at build time.
//
// Plain declarations, no dllimport: calls go through the import library's
// thunks, and a test program can define these functions itself instead.

#include <windows.h>

extern "C" {

// Kinds of log events DIFx reports through the log callback.
typedef enum _DIFXAPI_LOG
{
    DIFXAPI_SUCCESS = 0,
    DIFXAPI_INFO = 1,
    DIFXAPI_WARNING = 2,
    DIFXAPI_ERROR = 3,
} DIFXAPI_LOG;

// x64 has one calling convention; __cdecl matters only for a 32-bit build.
typedef VOID(__cdecl* DIFXAPILOGCALLBACK_W)(DIFXAPI_LOG eventType, DWORD dwError, PCWSTR pszEventText,
                                             PVOID pvCallbackContext);

// Who installs the package, for the add/remove programs entry; we pass none.
typedef struct _INSTALLERINFO_W
{
    PWSTR pszApplicationId;
    PWSTR pszDisplayName;
    PWSTR pszProductName;
    PWSTR pszManufacturerName;
} INSTALLERINFO_W, *PINSTALLERINFO_W;

typedef const INSTALLERINFO_W* PCINSTALLERINFO_W;

#define DRIVER_PACKAGE_REPAIR 0x00000001
#define DRIVER_PACKAGE_SILENT 0x00000002
#define DRIVER_PACKAGE_FORCE 0x00000004
#define DRIVER_PACKAGE_ONLY_IF_DEVICE_PRESENT 0x00000008
#define DRIVER_PACKAGE_LEGACY_MODE 0x00000010
#define DRIVER_PACKAGE_DELETE_FILES 0x00000020

// DIFx's own result codes (customer bit set, severity error); its "no
// present device matches" is SetupAPI's ERROR_NO_SUCH_DEVINST, 0xE000020B.
#define ERROR_NO_DEVICE_ID 0xE0000301
#define ERROR_DRIVER_PACKAGE_NOT_IN_STORE 0xE0000302

DWORD WINAPI DriverPackagePreinstallW(PCWSTR pszInfPath, DWORD dwFlags);

DWORD WINAPI DriverPackageInstallW(PCWSTR pszInfPath, DWORD dwFlags, PCINSTALLERINFO_W pInstallerInfo,
                                   BOOL* pbNeedReboot);

DWORD WINAPI DriverPackageUninstallW(PCWSTR pszInfPath, DWORD dwFlags, PCINSTALLERINFO_W pInstallerInfo,
                                     BOOL* pbNeedReboot);

// Process-wide: from this call on, the package calls report their log events
// to pfnLogCallback with pvContext. A null callback ends the reporting.
VOID WINAPI DIFXAPISetLogCallbackW(DIFXAPILOGCALLBACK_W pfnLogCallback, PVOID pvContext);

// The four functions as pointers, for a DIFXAPI.dll loaded at run time.
typedef DWORD(WINAPI* PFN_DRIVER_PACKAGE_PREINSTALL_W)(PCWSTR pszInfPath, DWORD dwFlags);
typedef DWORD(WINAPI* PFN_DRIVER_PACKAGE_INSTALL_W)(PCWSTR pszInfPath, DWORD dwFlags,
                                                    PCINSTALLERINFO_W pInstallerInfo, BOOL* pbNeedReboot);
typedef DWORD(WINAPI* PFN_DRIVER_PACKAGE_UNINSTALL_W)(PCWSTR pszInfPath, DWORD dwFlags,
                                                      PCINSTALLERINFO_W pInstallerInfo, BOOL* pbNeedReboot);
typedef VOID(WINAPI* PFN_DIFXAPI_SET_LOG_CALLBACK_W)(DIFXAPILOGCALLBACK_W pfnLogCallback, PVOID pvContext);

} // extern "C"
