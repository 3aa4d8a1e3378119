#pragma once

#include <windows.h>

#include "inf/DeviceIdList.h"

// Installs the staged package (pszPublishedName: its file name in the
// Windows INF folder; pszFullPath: that copy's full path, which every call
// gets, since only administrators can change that folder) on the present
// devices that list one of ids among their hardware or compatible IDs, with
// DIFx's meaning: never over a better driver, every matching device reached
// by as few calls as that allows,
// reinstalled where it is in use already. Then logs the driver each of those devices uses. 0 when some
// device uses the package; ERROR_NO_SUCH_DEVINST when no present device
// matches; ERROR_NO_MORE_ITEMS when every one keeps another driver; the
// first error of a call before either.
DWORD InstallOnPresentDevices(LPCWSTR pszFullPath, LPCWSTR pszPublishedName, const CDeviceIdList& ids, bool bQuiet,
                              BOOL* pbNeedReboot);

// Removes every device whose driver was installed from the staged INF
// pszPublishedName, stopping at the first that cannot be removed (each
// removal has its log line, so the devices removed before it are named).
// *pcRemoved: how many went.
// 0, or the error.
DWORD RemoveDevicesBoundTo(LPCWSTR pszPublishedName, BOOL* pbNeedReboot, DWORD* pcRemoved);
