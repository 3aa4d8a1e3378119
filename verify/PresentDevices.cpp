#include "verify/PresentDevices.h"

#include <setupapi.h>

#include "inf/DeviceSet.h"
#include "verify/DeviceIdSnapshot.h"

namespace {

const DWORD c_cchValue = 256;

// Listing the devices and reading their IDs cost more than all the other
// checks of a package but the catalog's: a list run does both once. Only the
// operation's thread checks packages.
CDeviceSet g_presentDevices;
CDeviceIdSnapshot g_presentIds;
bool g_bPresentIdsTaken = false;

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

void ReportDevice(const CDeviceSet& devices, SP_DEVINFO_DATA* pDevice, LPCWSTR pszId,
                  const DRIVER_VERSION* pPackageVersion, CVerifyReport* pReport)
{
    WCHAR szInstance[c_cchInstanceId];
    devices.InstanceId(pDevice, szInstance);
    WCHAR szInf[c_cchValue];
    if (!devices.DriverValue(pDevice, L"InfPath", szInf, c_cchValue)) {
        pReport->Info(L"present device %ls lists %ls; it has no driver yet", szInstance, pszId);
        return;
    }
    WCHAR szProvider[c_cchValue];
    WCHAR szDate[c_cchValue];
    WCHAR szVersion[c_cchValue];
    devices.DriverValue(pDevice, L"ProviderName", szProvider, c_cchValue);
    devices.DriverValue(pDevice, L"DriverDate", szDate, c_cchValue);
    devices.DriverValue(pDevice, L"DriverVersion", szVersion, c_cchValue);
    pReport->Info(L"present device %ls lists %ls; its driver: INF \"%ls\", provider \"%ls\", DriverVer %ls,%ls; %ls",
                  szInstance, pszId, szInf, szProvider, szDate, szVersion,
                  Ranking(pPackageVersion, szDate, szVersion));
}

} // namespace

void ReportPresentDevices(const CDeviceIdList& ids, const DRIVER_VERSION* pPackageVersion, CVerifyReport* pReport)
{
    if (ids.IsEmpty())
        return;
    // As when the devices cannot be listed at all, a package that finds no
    // room for their IDs says nothing of them.
    if (!g_presentDevices.IsOpen() && g_presentDevices.Open(true) != ERROR_SUCCESS)
        return;
    if (!g_bPresentIdsTaken) {
        g_bPresentIdsTaken = g_presentIds.Take(g_presentDevices);
        if (!g_bPresentIdsTaken)
            return;
    }
    SP_DEVINFO_DATA device;
    DWORD cMatches = 0;
    for (DWORD i = 0; i < g_presentIds.Count(); ++i) {
        LPCWSTR pszId = CDeviceSet::FirstListed(g_presentIds.Ids(i), ids);
        if (!pszId || !g_presentDevices.Get(g_presentIds.Index(i), &device))
            continue;
        ReportDevice(g_presentDevices, &device, pszId, pPackageVersion, pReport);
        ++cMatches;
    }
    if (cMatches == 0)
        pReport->Info(L"no present device lists one of the package's IDs");
}
