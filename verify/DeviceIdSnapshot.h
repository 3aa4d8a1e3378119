#pragma once

#include <windows.h>

#include "inf/DeviceSet.h"
#include "platform/UniqueHandle.h"

// The hardware and compatible IDs of every device of a set, read once: a
// list run compares each package with the same devices, and reading their
// IDs costs more than the rest of a package's checks but the catalog's.
class CDeviceIdSnapshot
{
public:
    // False when memory ran out; the snapshot is then empty.
    bool Take(const CDeviceSet& devices);

    DWORD Count() const { return m_cDevices; }
    // The set's index of the i-th device, and its IDs as CDeviceSet::ReadIds
    // writes them.
    DWORD Index(DWORD i) const;
    LPCWSTR Ids(DWORD i) const;

private:
    struct DEVICE_IDS
    {
        DWORD dwIndex;
        size_t ichIds;
    };

    bool Append(DWORD dwIndex, LPCWSTR pszIds);
    static bool Grow(CHeapBlock* pBlock, size_t* pcMax, size_t cNeeded, size_t cbItem);

    CHeapBlock m_devices;
    CHeapBlock m_ids;
    DWORD m_cDevices = 0;
    size_t m_cDevicesMax = 0;
    size_t m_cchIds = 0;
    size_t m_cchIdsMax = 0;
};
