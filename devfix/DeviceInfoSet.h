#pragma once

#include <windows.h>
#include <setupapi.h>

// Owns a device information set and destroys it when the holder goes away,
// whichever way the scope that made it is left.
class CDeviceInfoSet
{
public:
    explicit CDeviceInfoSet(HDEVINFO hDevInfo) : m_hDevInfo(hDevInfo) {}
    ~CDeviceInfoSet()
    {
        if (IsValid())
            SetupDiDestroyDeviceInfoList(m_hDevInfo);
    }
    CDeviceInfoSet(const CDeviceInfoSet&) = delete;
    CDeviceInfoSet& operator=(const CDeviceInfoSet&) = delete;

    bool IsValid() const { return m_hDevInfo != INVALID_HANDLE_VALUE && m_hDevInfo != nullptr; }
    HDEVINFO Get() const { return m_hDevInfo; }

private:
    HDEVINFO m_hDevInfo;
};
