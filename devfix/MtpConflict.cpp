#include "devfix/MtpConflict.h"

#include <cfgmgr32.h>

#include "devfix/DeviceInfoSet.h"
#include "devfix/PropertyText.h"
#include "platform/LastError.h"
#include "devfix/RepairReport.h"

namespace {

const WCHAR g_szEnumerator[] = L"USB";
const WCHAR g_szManufacturer[] = L"Rezuv";
// The user-mode driver framework reflector, which hosts the generic MTP driver.
const WCHAR g_szService[] = L"WUDFRd";
const WCHAR g_szMtpId[] = L"USB\\MS_COMP_MTP";

const DWORD g_cbProperty = 2048;

// What a read of one property found.
enum EPropertyRead
{
    readFound = 0,
    // Missing, or stored with another registry type.
    readMissing = 1,
    // Larger than the buffer: its contents are unknown.
    readTooLarge = 2,
};

// Reads one property into pbBuffer (g_cbProperty bytes). When it is found with
// the expected registry type, *pcbData is the size the call reported, capped at
// the buffer, so that no check looks at bytes the call did not write.
EPropertyRead ReadProperty(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, DWORD dwProperty,
                           DWORD dwExpectedType, BYTE* pbBuffer, DWORD* pcbData)
{
    DWORD dwType = REG_NONE;
    DWORD cbRequired = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(hDevInfo, pDevInfoData, dwProperty, &dwType, pbBuffer, g_cbProperty,
                                           &cbRequired))
        return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? readTooLarge : readMissing;
    if (dwType != dwExpectedType)
        return readMissing;
    *pcbData = cbRequired < g_cbProperty ? cbRequired : g_cbProperty;
    return readFound;
}

bool PropertyIsText(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, DWORD dwProperty, LPCWSTR pszText,
                    BYTE* pbBuffer)
{
    DWORD cbData = 0;
    return ReadProperty(hDevInfo, pDevInfoData, dwProperty, REG_SZ, pbBuffer, &cbData) == readFound
        && RegSzEquals(pbBuffer, cbData, pszText);
}

bool PropertyListHolds(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, DWORD dwProperty, LPCWSTR pszId,
                       BYTE* pbBuffer)
{
    DWORD cbData = 0;
    return ReadProperty(hDevInfo, pDevInfoData, dwProperty, REG_MULTI_SZ, pbBuffer, &cbData) == readFound
        && MultiSzContains(pbBuffer, cbData, pszId);
}

DWORD DeviceListFailure(CRepairReport* pReport)
{
    const DWORD dwError = LastErrorOrFailure();
    if (pReport)
        pReport->DeviceListUnreadable(dwError);
    return dwError;
}

// Removes one device and reports it with its instance ID, read before the
// removal while the device is still there.
DWORD RemoveDevice(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, CRepairReport* pReport)
{
    WCHAR szInstanceId[MAX_DEVICE_ID_LEN + 1] = {};
    if (pReport && !SetupDiGetDeviceInstanceIdW(hDevInfo, pDevInfoData, szInstanceId, ARRAYSIZE(szInstanceId), nullptr))
        szInstanceId[0] = L'\0';
    const DWORD dwError =
        SetupDiCallClassInstaller(DIF_REMOVE, hDevInfo, pDevInfoData) ? ERROR_SUCCESS : LastErrorOrFailure();
    if (pReport)
        pReport->DeviceRemoval(szInstanceId, dwError);
    return dwError;
}

// True when the device's own hardware IDs name the MTP ID, or are too large to
// read and so might. Missing ones name nothing.
bool HardwareIdsMayNameMtpId(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, BYTE* pbBuffer)
{
    DWORD cbData = 0;
    switch (ReadProperty(hDevInfo, pDevInfoData, SPDRP_HARDWAREID, REG_MULTI_SZ, pbBuffer, &cbData)) {
    case readFound:
        return MultiSzContains(pbBuffer, cbData, g_szMtpId);
    case readTooLarge:
        return true;
    default:
        return false;
    }
}

} // namespace

bool IsConflictingMtpDevice(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData)
{
    BYTE abBuffer[g_cbProperty];
    if (!PropertyIsText(hDevInfo, pDevInfoData, SPDRP_MFG, g_szManufacturer, abBuffer))
        return false;
    if (!PropertyIsText(hDevInfo, pDevInfoData, SPDRP_SERVICE, g_szService, abBuffer))
        return false;
    // A device that names the MTP ID among its own hardware IDs asked for the
    // generic driver; only a match through a compatible ID is a wrong binding.
    // A device whose hardware IDs cannot be read whole is left alone.
    if (HardwareIdsMayNameMtpId(hDevInfo, pDevInfoData, abBuffer))
        return false;
    return PropertyListHolds(hDevInfo, pDevInfoData, SPDRP_COMPATIBLEIDS, g_szMtpId, abBuffer);
}

DWORD FixMtpDriverConflict(CRepairReport* pReport)
{
    CDeviceInfoSet devices(SetupDiGetClassDevsW(nullptr, g_szEnumerator, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
    if (!devices.IsValid())
        return DeviceListFailure(pReport);

    DWORD dwResult = ERROR_SUCCESS;
    SP_DEVINFO_DATA devInfoData;
    ZeroMemory(&devInfoData, sizeof(devInfoData));
    devInfoData.cbSize = sizeof(devInfoData);
    // A removed device stays an element of the set, so the index advances
    // after every element, removed or not.
    for (DWORD dwIndex = 0; SetupDiEnumDeviceInfo(devices.Get(), dwIndex, &devInfoData); ++dwIndex) {
        // A failed removal leaves the device as it was; the run goes on.
        if (IsConflictingMtpDevice(devices.Get(), &devInfoData)) {
            const DWORD dwError = RemoveDevice(devices.Get(), &devInfoData, pReport);
            if (dwResult == ERROR_SUCCESS)
                dwResult = dwError;
        }
    }
    // The walk ends with ERROR_NO_MORE_ITEMS; anything else cut the list short.
    if (GetLastError() != ERROR_NO_MORE_ITEMS) {
        const DWORD dwError = DeviceListFailure(pReport);
        if (dwResult == ERROR_SUCCESS)
            dwResult = dwError;
    }
    return dwResult;
}
