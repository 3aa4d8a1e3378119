#include "packages/native/DeviceBinding.h"

#include <setupapi.h>
#include <newdev.h>

#include "inf/DeviceSet.h"
#include "packages/native/InstallPlan.h"
#include "packages/native/NativeLog.h"
#include "packages/native/NativeSetupApi.h"
#include "platform/LastError.h"

namespace {

// The devices, or the error after reporting it.
DWORD OpenDevices(CDeviceSet* pDevices, bool bPresentOnly)
{
    const DWORD dwError = pDevices->Open(bPresentOnly);
    if (dwError != ERROR_SUCCESS)
        NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot list the devices");
    return dwError;
}

// One call per planned ID. 0, or the first error; the answer that the
// devices keep a better driver and a device gone meanwhile are none.
DWORD CallForIds(LPCWSTR pszFullPath, const CInstallPlan& plan, bool bQuiet, BOOL* pbNeedReboot)
{
    DWORD dwFirstError = ERROR_SUCCESS;
    for (LPCWSTR pszId = plan.CallIds().First(); pszId; pszId = plan.CallIds().Next(pszId)) {
        const bool bForce = plan.IsForced(pszId);
        const DWORD dwFlags = (bForce ? INSTALLFLAG_FORCE : 0) | (bQuiet ? INSTALLFLAG_NONINTERACTIVE : 0);
        if (bForce)
            NativeLogEvent(DIFXAPI_INFO, 0, L"Reinstalling \"%ls\" on the devices with ID \"%ls\", which use it already",
                           pszFullPath, pszId);
        BOOL bReboot = FALSE;
        if (NativeSetupApi().pfnUpdateDriverForPlugAndPlayDevicesW(nullptr, pszId, pszFullPath, dwFlags, &bReboot)) {
            if (bReboot)
                *pbNeedReboot = TRUE;
            continue;
        }
        const DWORD dwError = LastErrorOrFailure();
        if (dwError == ERROR_NO_MORE_ITEMS)
            NativeLogEvent(DIFXAPI_INFO, dwError, L"The devices with ID \"%ls\" have a better driver than \"%ls\"", pszId,
                           pszFullPath);
        else if (dwError != ERROR_NO_SUCH_DEVINST)
            NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot install \"%ls\" on the devices with ID \"%ls\"", pszFullPath,
                           pszId);
        if (dwFirstError == ERROR_SUCCESS && dwError != ERROR_NO_MORE_ITEMS && dwError != ERROR_NO_SUCH_DEVINST)
            dwFirstError = dwError;
    }
    return dwFirstError;
}

// What the calls came to, read from the devices themselves: the call's own
// answer is not to be trusted (Wine's says TRUE whatever happened).
DWORD ReportDrivers(const CDeviceIdList& ids, LPCWSTR pszPublishedName, int* pcUsing, int* pcKeeping)
{
    CDeviceSet devices;
    const DWORD dwResult = OpenDevices(&devices, true);
    if (dwResult != ERROR_SUCCESS)
        return dwResult;
    WCHAR szIds[c_cchDeviceIds];
    SP_DEVINFO_DATA device;
    for (DWORD dwIndex = 0; devices.Get(dwIndex, &device); ++dwIndex) {
        devices.ReadIds(&device, szIds);
        if (!CDeviceSet::FirstListed(szIds, ids))
            continue;
        WCHAR szInstance[c_cchInstanceId];
        WCHAR szInf[c_cchDriverInf];
        devices.InstanceId(&device, szInstance);
        devices.DriverInf(&device, szInf);
        if (DeviceIdEquals(szInf, pszPublishedName)) {
            ++*pcUsing;
            NativeLogEvent(DIFXAPI_INFO, 0, L"Device \"%ls\" now uses \"%ls\"", szInstance, szInf);
        } else {
            ++*pcKeeping;
            NativeLogEvent(DIFXAPI_INFO, 0, L"Device \"%ls\" keeps %ls", szInstance, szInf[0] ? szInf : L"no driver");
        }
    }
    return ERROR_SUCCESS;
}

} // namespace

DWORD InstallOnPresentDevices(LPCWSTR pszFullPath, LPCWSTR pszPublishedName, const CDeviceIdList& ids, bool bQuiet,
                              BOOL* pbNeedReboot)
{
    CInstallPlan plan;
    {
        CDeviceSet devices;
        DWORD dwResult = OpenDevices(&devices, true);
        if (dwResult == ERROR_SUCCESS)
            dwResult = plan.Make(devices, ids, pszPublishedName);
        if (dwResult != ERROR_SUCCESS)
            return dwResult;
    }
    if (!plan.HasMatchingDevice()) {
        NativeLogEvent(DIFXAPI_INFO, ERROR_NO_SUCH_DEVINST,
                       L"No present device matches \"%ls\"; it stays staged for later devices", pszFullPath);
        return ERROR_NO_SUCH_DEVINST;
    }
    const DWORD dwCallError = CallForIds(pszFullPath, plan, bQuiet, pbNeedReboot);
    int cUsing = 0;
    int cKeeping = 0;
    const DWORD dwReport = ReportDrivers(ids, pszPublishedName, &cUsing, &cKeeping);
    // A failed call says more than the drivers that stayed.
    if (dwCallError != ERROR_SUCCESS)
        return dwCallError;
    if (dwReport != ERROR_SUCCESS)
        return dwReport;
    if (cUsing > 0)
        return ERROR_SUCCESS;
    if (cKeeping == 0)
        return ERROR_NO_SUCH_DEVINST;
    NativeLogEvent(DIFXAPI_INFO, ERROR_NO_MORE_ITEMS, L"Every matching device keeps its driver; \"%ls\" stays staged",
                   pszFullPath);
    return ERROR_NO_MORE_ITEMS;
}

DWORD RemoveDevicesBoundTo(LPCWSTR pszPublishedName, BOOL* pbNeedReboot, DWORD* pcRemoved)
{
    *pcRemoved = 0;
    CDeviceSet devices;
    const DWORD dwListError = OpenDevices(&devices, false);
    if (dwListError != ERROR_SUCCESS)
        return dwListError;
    SP_DEVINFO_DATA device;
    for (DWORD dwIndex = 0; devices.Get(dwIndex, &device); ++dwIndex) {
        WCHAR szInf[c_cchDriverInf];
        devices.DriverInf(&device, szInf);
        if (!DeviceIdEquals(szInf, pszPublishedName))
            continue;
        WCHAR szInstance[c_cchInstanceId];
        devices.InstanceId(&device, szInstance);
        if (!NativeSetupApi().pfnSetupDiCallClassInstaller(DIF_REMOVE, devices.Handle(), &device)) {
            const DWORD dwError = LastErrorOrFailure();
            NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot remove device \"%ls\", which uses \"%ls\"", szInstance,
                           pszPublishedName);
            // Each device removed before has its line above.
            NativeLogEvent(DIFXAPI_WARNING, 0, L"%lu devices of \"%ls\" were removed before the failure",
                           static_cast<unsigned long>(*pcRemoved), pszPublishedName);
            return dwError;
        }
        NativeLogEvent(DIFXAPI_INFO, 0, L"Removed device \"%ls\", which used \"%ls\"", szInstance, pszPublishedName);
        devices.NoteRebootNeed(&device, pbNeedReboot);
        ++*pcRemoved;
    }
    return ERROR_SUCCESS;
}
