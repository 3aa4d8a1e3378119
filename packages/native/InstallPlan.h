#pragma once

#include <windows.h>

#include "inf/DeviceIdList.h"
#include "inf/DeviceSet.h"
#include "platform/UniqueHandle.h"

// Which IDs the install calls go out for. A call for an ID reaches every
// device that lists it, compatible IDs included, so the IDs are chosen such
// that each present device the package names is reached at most once: a
// device that lists an ID already chosen is covered, and an ID is chosen only
// when no device it reaches lists a chosen one. A call is forced only to
// reinstall this package's staged copy: when every device it reaches already
// uses that copy. No call ever puts the package over a better driver.
class CInstallPlan
{
public:
    // 0, or the error code. pszPublishedName: the staged copy's file name.
    DWORD Make(const CDeviceSet& devices, const CDeviceIdList& packageIds, LPCWSTR pszPublishedName);

    // Some present device lists one of the package's IDs.
    bool HasMatchingDevice() const { return m_bMatchingDevice; }
    const CDeviceIdList& CallIds() const { return m_called; }
    bool IsForced(LPCWSTR pszId) const { return m_forced.Contains(pszId); }

private:
    LPCWSTR Choose(LPCWSTR pszIds);
    bool AddCall(LPCWSTR pszId);
    int Reach(LPCWSTR pszId);
    // Whether all, and whether any, of the devices that list pszId use the
    // staged copy.
    void CheckCopyUse(LPCWSTR pszId, bool* pbAll, bool* pbAny);
    template <typename TVisit>
    void ForEachListing(LPCWSTR pszId, TVisit visit);

    const CDeviceSet* m_pDevices = nullptr;
    const CDeviceIdList* m_pPackageIds = nullptr;
    LPCWSTR m_pszPublishedName = nullptr;
    CHeapBlock m_inner;
    CDeviceIdList m_called;
    CDeviceIdList m_forced;
    bool m_bMatchingDevice = false;
};
