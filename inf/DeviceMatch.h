#pragma once

#include <windows.h>
#include <setupapi.h>

#include "inf/DeviceIdList.h"
#include "platform/UniqueHandle.h"

// A device information set; SetupDiGetClassDevsW fails with
// INVALID_HANDLE_VALUE.
struct CDevInfoTraits
{
    static HDEVINFO Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HDEVINFO h) { SetupDiDestroyDeviceInfoList(h); }
};
using CDevInfo = CUniqueHandle<HDEVINFO, CDevInfoTraits>;

// Room for a device's ID lists; a longer list is read as far as it fits.
const DWORD c_cchDeviceIdList = 4096;
const DWORD c_cchInstanceId = 512;

// The device's first ID, hardware IDs before compatible IDs, that ids holds;
// null when none. pszBuffer (c_cchDeviceIdList units) holds the ID lists
// read and the returned ID.
LPCWSTR FirstPackageId(HDEVINFO hSet, SP_DEVINFO_DATA* pDevice, const CDeviceIdList& ids, LPWSTR pszBuffer);

// The device's instance ID in pszId (c_cchInstanceId units); empty when it
// cannot be read.
void InstanceIdOf(HDEVINFO hSet, SP_DEVINFO_DATA* pDevice, LPWSTR pszId);
