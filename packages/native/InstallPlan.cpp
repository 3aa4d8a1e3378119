#include "packages/native/InstallPlan.h"

#include <cwchar>

#include "packages/native/NativeLog.h"

namespace {

LPWSTR AllocIds(CHeapBlock* pBlock)
{
    pBlock->Reset(malloc(c_cchDeviceIds * sizeof(WCHAR)));
    return static_cast<LPWSTR>(pBlock->Get());
}

} // namespace

template <typename TVisit>
void CInstallPlan::ForEachListing(LPCWSTR pszId, TVisit visit)
{
    LPWSTR pszIds = static_cast<LPWSTR>(m_inner.Get());
    SP_DEVINFO_DATA device;
    for (DWORD dwIndex = 0; m_pDevices->Get(dwIndex, &device); ++dwIndex) {
        m_pDevices->ReadIds(&device, pszIds);
        for (LPCWSTR p = pszIds; *p; p += wcslen(p) + 1) {
            if (DeviceIdEquals(p, pszId)) {
                if (!visit(&device, pszIds))
                    return;
                break;
            }
        }
    }
}

// How many devices a call for pszId reaches; -1 when one of them is
// covered already.
int CInstallPlan::Reach(LPCWSTR pszId)
{
    int cDevices = 0;
    ForEachListing(pszId, [&](SP_DEVINFO_DATA*, LPCWSTR pszIds) {
        if (CDeviceSet::FirstListed(pszIds, m_called)) {
            cDevices = -1;
            return false;
        }
        ++cDevices;
        return true;
    });
    return cDevices;
}

void CInstallPlan::CheckCopyUse(LPCWSTR pszId, bool* pbAll, bool* pbAny)
{
    *pbAll = true;
    *pbAny = false;
    WCHAR szInf[c_cchDriverInf];
    ForEachListing(pszId, [&](SP_DEVINFO_DATA* pDevice, LPCWSTR) {
        m_pDevices->DriverInf(pDevice, szInf);
        if (DeviceIdEquals(szInf, m_pszPublishedName))
            *pbAny = true;
        else
            *pbAll = false;
        return true;
    });
}

// Of the device's IDs that the package names and that reach no covered
// device, the one that reaches the most devices (the first of those): fewer
// calls, and fewer devices left without one. Null when every one reaches a
// covered device.
LPCWSTR CInstallPlan::Choose(LPCWSTR pszIds)
{
    LPCWSTR pszBest = nullptr;
    int cBest = 0;
    for (LPCWSTR p = pszIds; *p; p += wcslen(p) + 1) {
        if (!m_pPackageIds->Contains(p))
            continue;
        const int cReach = Reach(p);
        if (cReach > cBest) {
            pszBest = p;
            cBest = cReach;
        }
    }
    return pszBest;
}

// A forced call installs "whether better drivers exist or not" on every
// device it reaches: only a reinstall where all of them use this package.
bool CInstallPlan::AddCall(LPCWSTR pszId)
{
    if (!m_called.Add(pszId))
        return false;
    bool bAll = false;
    bool bAny = false;
    CheckCopyUse(pszId, &bAll, &bAny);
    if (bAll)
        return m_forced.Add(pszId);
    if (bAny)
        NativeLogEvent(DIFXAPI_INFO, 0,
                       L"The call for ID \"%ls\" is not forced: some devices that list it use another driver than \"%ls\"",
                       pszId, m_pszPublishedName);
    return true;
}

DWORD CInstallPlan::Make(const CDeviceSet& devices, const CDeviceIdList& packageIds, LPCWSTR pszPublishedName)
{
    m_pDevices = &devices;
    m_pPackageIds = &packageIds;
    m_pszPublishedName = pszPublishedName;
    CHeapBlock outer;
    LPWSTR pszIds = AllocIds(&outer);
    if (!pszIds || !AllocIds(&m_inner))
        return ERROR_NOT_ENOUGH_MEMORY;
    SP_DEVINFO_DATA device;
    for (DWORD dwIndex = 0; devices.Get(dwIndex, &device); ++dwIndex) {
        devices.ReadIds(&device, pszIds);
        if (!CDeviceSet::FirstListed(pszIds, packageIds))
            continue;
        m_bMatchingDevice = true;
        if (CDeviceSet::FirstListed(pszIds, m_called))
            continue;
        LPCWSTR pszChosen = Choose(pszIds);
        WCHAR szInstance[c_cchInstanceId];
        devices.InstanceId(&device, szInstance);
        if (!pszChosen) {
            NativeLogEvent(DIFXAPI_WARNING, 0,
                           L"Device \"%ls\" gets no call: each of its IDs that the package names reaches a device that "
                           L"another call reaches",
                           szInstance);
            continue;
        }
        NativeLogEvent(DIFXAPI_INFO, 0, L"Installing on device \"%ls\", which lists \"%ls\"", szInstance, pszChosen);
        if (!AddCall(pszChosen))
            return ERROR_NOT_ENOUGH_MEMORY;
    }
    return ERROR_SUCCESS;
}
