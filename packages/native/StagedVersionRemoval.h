#pragma once

#include <windows.h>

// How the removal of one staged version ended.
enum EStagedRemoval
{
    stagedRemoved = 0,
    // A device uses it: it stays, and that is no failure.
    stagedInUse = 1,
    stagedFailed = 2,
};

// Removes the staged INF pszName (a file name in the Windows INF folder),
// which the caller found no device to use, from the driver store:
// SetupUninstallOEMInfW without SUOI_FORCEDELETE, so that Windows refuses an
// INF a device has taken meanwhile (ERROR_INF_IN_USE_BY_DEVICES). Whether the
// INF is gone is checked on the file: where the call succeeded and left it
// in place (Wine does so without the flag), every device Windows knows,
// present or not, is looked at once more, and only then is the call made
// again with SUOI_FORCEDELETE. Writes the device that uses it into pszDevice
// (c_cchInstanceId units; empty when Windows refused without naming one)
// and, on failure, the code into *pdwError.
EStagedRemoval RemoveStagedVersion(LPCWSTR pszName, LPWSTR pszDevice, DWORD* pdwError);
