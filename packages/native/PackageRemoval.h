#pragma once

#include <windows.h>

// Uninstalls the package at pszFullPath (resolved and checked already) from
// its devices and the driver store: through DiUninstallDriverW where Windows
// has it, else by removing the devices that use its staged copy and then the
// copy. Nothing is removed unless it is exactly this package's staged copy.
// 0, ERROR_DRIVER_PACKAGE_NOT_IN_STORE, or the error code.
DWORD RemovePackage(LPCWSTR pszFullPath, BOOL* pbNeedReboot);
