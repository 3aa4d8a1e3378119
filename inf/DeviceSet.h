#pragma once

#include <windows.h>
#include <setupapi.h>

#include "inf/DeviceIdList.h"
#include "platform/UniqueHandle.h"

struct CDevInfoTraits
{
    static HDEVINFO Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HDEVINFO h) { SetupDiDestroyDeviceInfoList(h); }
};
using CDevInfo = CUniqueHandle<HDEVINFO, CDevInfoTraits>;

// Room for a device's hardware and compatible IDs, one multi-string; a
// longer list is read as far as it fits.
const DWORD c_cchDeviceIds = 8192;
const DWORD c_cchInstanceId = 512;
const DWORD c_cchDriverInf = MAX_PATH + 1;

// The devices of the system as one SetupAPI set, and what the package
// operations read of each: the IDs a package can match, the driver in use.
class CDeviceSet
{
public:
    // bPresentOnly: the present devices; else every device Windows knows.
    // 0, or the error code.
    DWORD Open(bool bPresentOnly);
    bool IsOpen() const { return m_devices.IsValid(); }

    // The device at dwIndex; false past the last one. A removed device stays
    // an element of the set, so indices do not shift.
    bool Get(DWORD dwIndex, SP_DEVINFO_DATA* pDevice) const;
    HDEVINFO Handle() const { return m_devices.Get(); }

    // Its hardware IDs, then its compatible IDs, as one multi-string in
    // pszIds (c_cchDeviceIds units); empty when it has none.
    void ReadIds(SP_DEVINFO_DATA* pDevice, LPWSTR pszIds) const;
    // The first of its IDs that ids holds, in pszIds as ReadIds wrote it;
    // null when none.
    static LPCWSTR FirstListed(LPCWSTR pszIds, const CDeviceIdList& ids);

    // pszId: c_cchInstanceId units; empty when it cannot be read.
    void InstanceId(SP_DEVINFO_DATA* pDevice, LPWSTR pszId) const;
    // The staged INF its driver came from ("InfPath" of its driver key), in
    // pszInf (c_cchDriverInf units); empty when it has no driver.
    void DriverInf(SP_DEVINFO_DATA* pDevice, LPWSTR pszInf) const
    {
        DriverValue(pDevice, L"InfPath", pszInf, c_cchDriverInf);
    }
    // A text value of its driver key in pszValue (cchValue units); empty when
    // it has no driver or no such text. False when it has no driver key.
    bool DriverValue(SP_DEVINFO_DATA* pDevice, LPCWSTR pszName, LPWSTR pszValue, DWORD cchValue) const;
    void NoteRebootNeed(SP_DEVINFO_DATA* pDevice, BOOL* pbNeedReboot) const;

private:
    CDevInfo m_devices;
};
