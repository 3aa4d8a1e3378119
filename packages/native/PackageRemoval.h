#pragma once

#include <windows.h>

// Uninstalls the package at pszFullPath (resolved and checked already) from
// its devices and the driver store. Its staged copy is found first; then
// DiUninstallDriverW, where Windows has it, gets that copy's full path in
// the INF folder; elsewhere the devices that use the copy are removed, then
// the copy. Nothing is removed unless it is exactly this package's staged
// copy.
// 0, ERROR_DRIVER_PACKAGE_NOT_IN_STORE, or the error code.
DWORD RemovePackage(LPCWSTR pszFullPath, BOOL* pbNeedReboot);
