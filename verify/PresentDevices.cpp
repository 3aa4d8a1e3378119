#include "verify/PresentDevices.h"

#include <setupapi.h>

#include "inf/DeviceMatch.h"
#include "platform/UniqueHandle.h"

namespace {

const DWORD c_cchValue = 256;

// Listing the devices costs more than all the other checks of a package but
// the catalog's: a list run lists them once. Only the operation's thread
// checks packages.
CDevInfo g_presentDevices;

// A REG_SZ value of the driver key in pszValue (c_cchValue units); empty
// when it is missing or of another type.
void ReadDriverValue(HKEY hKey, LPCWSTR pszName, LPWSTR pszValue)
{
    DWORD dwType = REG_NONE;
    DWORD cbValue = (c_cchValue - 1) * sizeof(WCHAR);
    if (RegQueryValueExW(hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(pszValue), &cbValue) !=
            ERROR_SUCCESS ||
        dwType != REG_SZ)
        cbValue = 0;
    pszValue[cbValue / sizeof(WCHAR)] = L'\0';
}

// How the package's DriverVer compares with the device's driver.
LPCWSTR Ranking(const DRIVER_VERSION* pPackageVersion, LPCWSTR pszDate, LPCWSTR pszVersion)
{
    DRIVER_VERSION current = {};
    if (!pPackageVersion)
        return L"this package's DriverVer is not valid, so it cannot be compared";
    // Windows writes the driver date as m-d-yyyy.
    if (!ParseDriverDate(pszDate, L'-', &current) || !ParseDriverVersionNumber(pszVersion, &current))
        return L"its DriverVer cannot be read, so it cannot be compared";
    const int nOrder = CompareDriverVersions(*pPackageVersion, current);
    return nOrder > 0 ? L"this package is newer" : nOrder == 0 ? L"this package is the same" : L"this package is older";
}

void ReportDevice(HDEVINFO hSet, SP_DEVINFO_DATA* pDevice, LPCWSTR pszId, const DRIVER_VERSION* pPackageVersion,
                  CVerifyReport* pReport)
{
    WCHAR szInstance[c_cchInstanceId];
    InstanceIdOf(hSet, pDevice, szInstance);
    HKEY hKey = SetupDiOpenDevRegKey(hSet, pDevice, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
    if (hKey == INVALID_HANDLE_VALUE) {
        pReport->Info(L"present device %ls lists %ls; it has no driver yet", szInstance, pszId);
        return;
    }
    CRegKey key(hKey);
    WCHAR szInf[c_cchValue];
    WCHAR szProvider[c_cchValue];
    WCHAR szDate[c_cchValue];
    WCHAR szVersion[c_cchValue];
    ReadDriverValue(key.Get(), L"InfPath", szInf);
    ReadDriverValue(key.Get(), L"ProviderName", szProvider);
    ReadDriverValue(key.Get(), L"DriverDate", szDate);
    ReadDriverValue(key.Get(), L"DriverVersion", szVersion);
    pReport->Info(L"present device %ls lists %ls; its driver: INF \"%ls\", provider \"%ls\", DriverVer %ls,%ls; %ls",
                  szInstance, pszId, szInf, szProvider, szDate, szVersion,
                  Ranking(pPackageVersion, szDate, szVersion));
}

} // namespace

void ReportPresentDevices(const CDeviceIdList& ids, const DRIVER_VERSION* pPackageVersion, CVerifyReport* pReport)
{
    if (ids.IsEmpty())
        return;
    if (!g_presentDevices.IsValid())
        g_presentDevices.Reset(SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT));
    const CDevInfo& devices = g_presentDevices;
    if (!devices.IsValid())
        return;
    WCHAR szList[c_cchDeviceIdList];
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    DWORD cMatches = 0;
    for (DWORD dwIndex = 0; SetupDiEnumDeviceInfo(devices.Get(), dwIndex, &device); ++dwIndex) {
        LPCWSTR pszId = FirstPackageId(devices.Get(), &device, ids, szList);
        if (!pszId)
            continue;
        ReportDevice(devices.Get(), &device, pszId, pPackageVersion, pReport);
        ++cMatches;
    }
    if (cMatches == 0)
        pReport->Info(L"no present device lists one of the package's IDs");
}
