#pragma once

#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>

// The system calls of the native provider that differ between Windows
// versions or that tests must stand in for. Filled from the system on first
// use; a test may replace entries to reach branches its platform lacks.
struct NATIVE_SETUP_API
{
    BOOL(WINAPI* pfnSetupCopyOEMInfW)(PCWSTR pszSourceInf, PCWSTR pszMediaLocation, DWORD dwMediaType,
                                      DWORD dwCopyStyle, PWSTR pszDest, DWORD cchDest, PDWORD pcchRequired,
                                      PWSTR* ppszDestComponent);
    BOOL(WINAPI* pfnSetupUninstallOEMInfW)(PCWSTR pszInfFileName, DWORD dwFlags, PVOID pvReserved);
    // From newdev.dll, loaded by full path from System32; null when it cannot
    // be loaded (dwNewdevError says why).
    BOOL(WINAPI* pfnUpdateDriverForPlugAndPlayDevicesW)(HWND hwndParent, LPCWSTR pszHardwareId, LPCWSTR pszInfPath,
                                                         DWORD dwInstallFlags, PBOOL pbRebootRequired);
    // Windows 10 1703 and later; null elsewhere (Wine has none).
    BOOL(WINAPI* pfnDiUninstallDriverW)(HWND hwndParent, LPCWSTR pszInfPath, DWORD dwFlags,
                                         PBOOL pbNeedReboot);
    // Exported by setupapi.dll as well as cfgmgr32.dll; null when missing.
    DWORD(WINAPI* pfnCMP_WaitNoPendingInstallEvents)(DWORD dwTimeout);
    CONFIGRET(WINAPI* pfnCM_Locate_DevNodeW)(PDEVINST pdnDevInst, DEVINSTID_W pDeviceId, ULONG ulFlags);
    CONFIGRET(WINAPI* pfnCM_Reenumerate_DevNode)(DEVINST dnDevInst, ULONG ulFlags);
    // The device removals of an uninstall (Wine's DIF_REMOVE never fails).
    BOOL(WINAPI* pfnSetupDiCallClassInstaller)(DI_FUNCTION installFunction, HDEVINFO hDevInfo,
                                               PSP_DEVINFO_DATA pDeviceInfoData);
    DWORD dwNewdevError;
};

NATIVE_SETUP_API& NativeSetupApi();
