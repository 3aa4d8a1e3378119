#pragma once

#include <windows.h>
#include <setupapi.h>

// The system calls of the native provider that differ between Windows
// versions or that tests must stand in for. Filled from the system on first
// use; a test may replace entries to reach branches its platform lacks.
struct NATIVE_SETUP_API
{
    BOOL(WINAPI* pfnSetupCopyOEMInfW)(PCWSTR pszSourceInf, PCWSTR pszMediaLocation, DWORD dwMediaType,
                                      DWORD dwCopyStyle, PWSTR pszDest, DWORD cchDest, PDWORD pcchRequired,
                                      PWSTR* ppszDestComponent);
    BOOL(WINAPI* pfnSetupUninstallOEMInfW)(PCWSTR pszInfFileName, DWORD dwFlags, PVOID pvReserved);
    BOOL(WINAPI* pfnUpdateDriverForPlugAndPlayDevicesW)(HWND hwndParent, LPCWSTR pszHardwareId, LPCWSTR pszInfPath,
                                                         DWORD dwInstallFlags, PBOOL pbRebootRequired);
    // Windows 10 1703 and later; null elsewhere (Wine has none).
    BOOL(WINAPI* pfnDiUninstallDriverW)(HWND hwndParent, LPCWSTR pszInfPath, DWORD dwFlags,
                                         PBOOL pbNeedReboot);
};

NATIVE_SETUP_API& NativeSetupApi();
