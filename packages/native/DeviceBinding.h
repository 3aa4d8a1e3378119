#pragma once

#include <windows.h>

#include "inf/DeviceIdList.h"

// Installs the staged package on every present device that lists one of
// pIds among its own hardware or compatible IDs, reinstalling where it is
// installed already. No matching device is success. 0, or the first error.
DWORD InstallOnPresentDevices(LPCWSTR pszFullPath, const CDeviceIdList& ids, bool bQuiet, BOOL* pbNeedReboot);

// Removes every device whose driver was installed from the staged INF
// pszPublishedName (its file name in the Windows INF folder). 0, or the
// first error.
DWORD RemoveDevicesBoundTo(LPCWSTR pszPublishedName, BOOL* pbNeedReboot);
