#include "inf/DeviceSet.h"

#include <cwchar>

#include "platform/LastError.h"

namespace {

// Reads a REG_MULTI_SZ property into pszList (cchList units), always closed
// by two terminators; an empty list when the property is missing or too
// large. The units used, without the closing terminator.
size_t ReadIdList(HDEVINFO hSet, SP_DEVINFO_DATA* pDevice, DWORD dwProperty, LPWSTR pszList, size_t cchList)
{
    pszList[0] = L'\0';
    if (cchList < 2)
        return 0;
    DWORD dwType = REG_NONE;
    const DWORD cbRoom = static_cast<DWORD>((cchList - 2) * sizeof(WCHAR));
    if (!SetupDiGetDeviceRegistryPropertyW(hSet, pDevice, dwProperty, &dwType, reinterpret_cast<BYTE*>(pszList),
                                           cbRoom, nullptr) ||
        dwType != REG_MULTI_SZ) {
        pszList[0] = L'\0';
        pszList[1] = L'\0';
        return 0;
    }
    pszList[cchList - 2] = L'\0';
    pszList[cchList - 1] = L'\0';
    LPCWSTR p = pszList;
    while (*p)
        p += wcslen(p) + 1;
    return static_cast<size_t>(p - pszList);
}

} // namespace

DWORD CDeviceSet::Open(bool bPresentOnly)
{
    m_devices.Reset(
        SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | (bPresentOnly ? DIGCF_PRESENT : 0)));
    return m_devices.IsValid() ? ERROR_SUCCESS : LastErrorOrFailure();
}

bool CDeviceSet::Get(DWORD dwIndex, SP_DEVINFO_DATA* pDevice) const
{
    *pDevice = {};
    pDevice->cbSize = sizeof(*pDevice);
    return SetupDiEnumDeviceInfo(m_devices.Get(), dwIndex, pDevice) != FALSE;
}

void CDeviceSet::ReadIds(SP_DEVINFO_DATA* pDevice, LPWSTR pszIds) const
{
    const size_t cchHardware = ReadIdList(m_devices.Get(), pDevice, SPDRP_HARDWAREID, pszIds, c_cchDeviceIds);
    ReadIdList(m_devices.Get(), pDevice, SPDRP_COMPATIBLEIDS, pszIds + cchHardware, c_cchDeviceIds - cchHardware);
}

LPCWSTR CDeviceSet::FirstListed(LPCWSTR pszIds, const CDeviceIdList& ids)
{
    for (LPCWSTR p = pszIds; *p; p += wcslen(p) + 1) {
        if (ids.Contains(p))
            return p;
    }
    return nullptr;
}

void CDeviceSet::InstanceId(SP_DEVINFO_DATA* pDevice, LPWSTR pszId) const
{
    if (!SetupDiGetDeviceInstanceIdW(m_devices.Get(), pDevice, pszId, c_cchInstanceId, nullptr))
        pszId[0] = L'\0';
}

bool CDeviceSet::DriverValue(SP_DEVINFO_DATA* pDevice, LPCWSTR pszName, LPWSTR pszValue, DWORD cchValue) const
{
    pszValue[0] = L'\0';
    HKEY hKey = SetupDiOpenDevRegKey(m_devices.Get(), pDevice, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
    if (hKey == INVALID_HANDLE_VALUE)
        return false;
    CRegKey key(hKey);
    DWORD cbValue = (cchValue - 1) * sizeof(WCHAR);
    DWORD dwType = REG_NONE;
    if (RegQueryValueExW(key.Get(), pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(pszValue), &cbValue) !=
            ERROR_SUCCESS ||
        dwType != REG_SZ)
        cbValue = 0;
    pszValue[cbValue / sizeof(WCHAR)] = L'\0';
    return true;
}

void CDeviceSet::NoteRebootNeed(SP_DEVINFO_DATA* pDevice, BOOL* pbNeedReboot) const
{
    SP_DEVINSTALL_PARAMS_W params = {};
    params.cbSize = sizeof(params);
    if (SetupDiGetDeviceInstallParamsW(m_devices.Get(), pDevice, &params) &&
        (params.Flags & (DI_NEEDREBOOT | DI_NEEDRESTART)))
        *pbNeedReboot = TRUE;
}
