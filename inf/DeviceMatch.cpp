#include "inf/DeviceMatch.h"

#include <cwchar>

namespace {

// Reads a REG_MULTI_SZ property into pszList, always closed by two
// terminators; an empty list when the property is missing or too large.
void ReadIdList(HDEVINFO hSet, SP_DEVINFO_DATA* pDevice, DWORD dwProperty, LPWSTR pszList)
{
    DWORD dwType = REG_NONE;
    if (!SetupDiGetDeviceRegistryPropertyW(hSet, pDevice, dwProperty, &dwType, reinterpret_cast<BYTE*>(pszList),
                                           (c_cchDeviceIdList - 2) * sizeof(WCHAR), nullptr) ||
        dwType != REG_MULTI_SZ)
        pszList[0] = L'\0';
    pszList[c_cchDeviceIdList - 2] = L'\0';
    pszList[c_cchDeviceIdList - 1] = L'\0';
}

} // namespace

LPCWSTR FirstPackageId(HDEVINFO hSet, SP_DEVINFO_DATA* pDevice, const CDeviceIdList& ids, LPWSTR pszBuffer)
{
    const DWORD adwProperties[] = { SPDRP_HARDWAREID, SPDRP_COMPATIBLEIDS };
    for (DWORD dwProperty : adwProperties) {
        ReadIdList(hSet, pDevice, dwProperty, pszBuffer);
        for (LPCWSTR p = pszBuffer; *p; p += wcslen(p) + 1) {
            if (ids.Contains(p))
                return p;
        }
    }
    return nullptr;
}

void InstanceIdOf(HDEVINFO hSet, SP_DEVINFO_DATA* pDevice, LPWSTR pszId)
{
    if (!SetupDiGetDeviceInstanceIdW(hSet, pDevice, pszId, c_cchInstanceId, nullptr))
        pszId[0] = L'\0';
}
