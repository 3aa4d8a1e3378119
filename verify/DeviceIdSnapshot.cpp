#include "verify/DeviceIdSnapshot.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

// The units of a multi-string, its closing empty string included, at most
// cchMax.
size_t MultiStringLength(LPCWSTR pszIds, size_t cchMax)
{
    size_t ich = 0;
    while (ich < cchMax - 1 && pszIds[ich])
        ich += wcsnlen(pszIds + ich, cchMax - 1 - ich) + 1;
    return ich < cchMax ? ich + 1 : cchMax;
}

} // namespace

// Doubles the block until it holds cNeeded items of cbItem bytes.
bool CDeviceIdSnapshot::Grow(CHeapBlock* pBlock, size_t* pcMax, size_t cNeeded, size_t cbItem)
{
    size_t cMax = *pcMax ? *pcMax : 64;
    while (cMax < cNeeded) {
        if (cMax > SIZE_MAX / 2)
            return false;
        cMax *= 2;
    }
    if (cMax == *pcMax)
        return true;
    if (cMax > SIZE_MAX / cbItem)
        return false;
    void* pv = realloc(pBlock->Get(), cMax * cbItem);
    if (!pv)
        return false;
    pBlock->Detach();
    pBlock->Reset(pv);
    *pcMax = cMax;
    return true;
}

bool CDeviceIdSnapshot::Append(DWORD dwIndex, LPCWSTR pszIds)
{
    const size_t cchIds = MultiStringLength(pszIds, c_cchDeviceIds);
    // One unit more: a list cut at the buffer's end still closes.
    if (!Grow(&m_devices, &m_cDevicesMax, static_cast<size_t>(m_cDevices) + 1, sizeof(DEVICE_IDS)) ||
        !Grow(&m_ids, &m_cchIdsMax, m_cchIds + cchIds + 1, sizeof(WCHAR)))
        return false;
    DEVICE_IDS* pDevice = static_cast<DEVICE_IDS*>(m_devices.Get()) + m_cDevices;
    pDevice->dwIndex = dwIndex;
    pDevice->ichIds = m_cchIds;
    LPWSTR pszPool = static_cast<LPWSTR>(m_ids.Get()) + m_cchIds;
    memcpy(pszPool, pszIds, cchIds * sizeof(WCHAR));
    pszPool[cchIds - 1] = L'\0';
    pszPool[cchIds] = L'\0';
    m_cchIds += cchIds + 1;
    ++m_cDevices;
    return true;
}

bool CDeviceIdSnapshot::Take(const CDeviceSet& devices)
{
    m_cDevices = 0;
    m_cchIds = 0;
    CHeapBlock buffer(calloc(c_cchDeviceIds, sizeof(WCHAR)));
    if (!buffer.IsValid())
        return false;
    LPWSTR pszIds = static_cast<LPWSTR>(buffer.Get());
    SP_DEVINFO_DATA device;
    for (DWORD dwIndex = 0; devices.Get(dwIndex, &device); ++dwIndex) {
        devices.ReadIds(&device, pszIds);
        if (!Append(dwIndex, pszIds)) {
            m_cDevices = 0;
            m_cchIds = 0;
            return false;
        }
    }
    return true;
}

DWORD CDeviceIdSnapshot::Index(DWORD i) const
{
    return static_cast<const DEVICE_IDS*>(m_devices.Get())[i].dwIndex;
}

LPCWSTR CDeviceIdSnapshot::Ids(DWORD i) const
{
    return static_cast<LPCWSTR>(m_ids.Get()) + static_cast<const DEVICE_IDS*>(m_devices.Get())[i].ichIds;
}
