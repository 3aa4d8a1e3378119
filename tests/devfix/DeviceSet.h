#pragma once

#include <windows.h>
#include <setupapi.h>

#include <string>

#include "devfix/DeviceInfoSet.h"

// The set the repair works on (present devices of every class that the USB
// enumerator reports), for finding a test device's element in it.
class CUsbDeviceSet
{
public:
    CUsbDeviceSet() : m_set(SetupDiGetClassDevsW(nullptr, L"USB", nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES)) {}

    HDEVINFO Get() const { return m_set.Get(); }

    bool Find(const std::wstring& strInstanceId, SP_DEVINFO_DATA* pDevInfoData) const
    {
        ZeroMemory(pDevInfoData, sizeof(*pDevInfoData));
        pDevInfoData->cbSize = sizeof(*pDevInfoData);
        for (DWORD dwIndex = 0; SetupDiEnumDeviceInfo(m_set.Get(), dwIndex, pDevInfoData); ++dwIndex) {
            WCHAR szId[512] = L"";
            if (SetupDiGetDeviceInstanceIdW(m_set.Get(), pDevInfoData, szId, 512, nullptr)
                && _wcsicmp(szId, strInstanceId.c_str()) == 0)
                return true;
        }
        return false;
    }

    bool Contains(const std::wstring& strInstanceId) const
    {
        SP_DEVINFO_DATA devInfoData;
        return Find(strInstanceId, &devInfoData);
    }

private:
    CDeviceInfoSet m_set;
};
