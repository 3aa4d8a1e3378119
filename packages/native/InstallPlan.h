#pragma once

#include <windows.h>

#include "inf/DeviceIdList.h"
#include "inf/DeviceSet.h"
#include "platform/UniqueHandle.h"

// Which IDs the install calls go out for. A call for an ID reaches every
// device that lists it, compatible IDs included. Every present device that
// lists one of the package's IDs is reached, by as few calls as that allows;
// a device may be reached by two calls, which cannot harm it, as Windows
// ranks the drivers itself on each. A call is forced only to reinstall this
// package's staged copy: when every device it reaches already uses that
// copy. No call ever puts the package over a better driver.
class CInstallPlan
{
public:
    // 0, or the error code. pszPublishedName: the staged copy's file name.
    DWORD Make(const CDeviceSet& devices, const CDeviceIdList& packageIds, LPCWSTR pszPublishedName);

    // Some present device lists one of the package's IDs.
    bool HasMatchingDevice() const { return m_cDevices > 0; }
    const CDeviceIdList& CallIds() const { return m_called; }
    bool IsForced(LPCWSTR pszId) const { return m_forced.Contains(pszId); }

private:
    struct MATCHING_DEVICE
    {
        DWORD dwIndex;
        bool bUsesCopy;
    };

    DWORD ReadDevices(const CDeviceSet& devices, const CDeviceIdList& packageIds);
    bool Lists(DWORD iDevice, DWORD iCandidate) const;
    bool CoversDevice(DWORD iDevice, const DWORD* piChosen, DWORD cChosen) const;
    bool CoversAll(const DWORD* piChosen, DWORD cChosen) const;
    DWORD ChooseFewest(DWORD* piChosen) const;
    DWORD ChooseEach(DWORD* piChosen) const;
    DWORD AddCall(DWORD iCandidate);
    LPCWSTR Candidate(DWORD iCandidate) const;
    void LogDevices(const CDeviceSet& devices, const DWORD* piChosen, DWORD cChosen) const;

    LPCWSTR m_pszPublishedName = nullptr;
    // The package's IDs that some present device lists, first seen first.
    CDeviceIdList m_candidates;
    DWORD m_cCandidates = 0;
    // The present devices that list one of them.
    CHeapBlock m_devices;
    DWORD m_cDevices = 0;
    // Per device, a row of m_cWords words: bit i set when it lists
    // candidate i.
    CHeapBlock m_lists;
    DWORD m_cWords = 0;
    CDeviceIdList m_called;
    CDeviceIdList m_forced;
};
