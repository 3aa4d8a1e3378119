#include "packages/native/DeviceBinding.h"

#include <setupapi.h>
#include <newdev.h>

#include "inf/DeviceMatch.h"
#include "packages/native/NativeLog.h"
#include "packages/native/NativeSetupApi.h"
#include "platform/LastError.h"
#include "platform/UniqueHandle.h"

namespace {

void NoteRebootNeed(HDEVINFO hSet, SP_DEVINFO_DATA* pDevice, BOOL* pbNeedReboot)
{
    SP_DEVINSTALL_PARAMS_W params = {};
    params.cbSize = sizeof(params);
    if (SetupDiGetDeviceInstallParamsW(hSet, pDevice, &params) && (params.Flags & (DI_NEEDREBOOT | DI_NEEDRESTART)))
        *pbNeedReboot = TRUE;
}

// The staged INF a device's driver came from ("InfPath" of its driver key).
bool DriverInfPathIs(HDEVINFO hSet, SP_DEVINFO_DATA* pDevice, LPCWSTR pszPublishedName)
{
    HKEY hKey = SetupDiOpenDevRegKey(hSet, pDevice, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
    if (hKey == INVALID_HANDLE_VALUE)
        return false;
    CRegKey key(hKey);
    WCHAR szInfPath[MAX_PATH + 1] = {};
    DWORD cbInfPath = sizeof(szInfPath) - sizeof(WCHAR);
    DWORD dwType = REG_NONE;
    if (RegQueryValueExW(key.Get(), L"InfPath", nullptr, &dwType, reinterpret_cast<BYTE*>(szInfPath), &cbInfPath) !=
            ERROR_SUCCESS ||
        dwType != REG_SZ)
        return false;
    return DeviceIdEquals(szInfPath, pszPublishedName);
}

} // namespace

DWORD InstallOnPresentDevices(LPCWSTR pszFullPath, const CDeviceIdList& ids, bool bQuiet, BOOL* pbNeedReboot)
{
    if (ids.IsEmpty()) {
        NativeLogEvent(DIFXAPI_INFO, 0, L"%ls names no device for this machine; it stays staged", pszFullPath);
        return ERROR_SUCCESS;
    }
    CDevInfo devices(SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT));
    if (!devices.IsValid()) {
        const DWORD dwError = LastErrorOrFailure();
        NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot list the present devices");
        return dwError;
    }

    // One update per matching ID: it reaches every device that lists it.
    CDeviceIdList matched;
    WCHAR szList[c_cchDeviceIdList];
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    for (DWORD dwIndex = 0; SetupDiEnumDeviceInfo(devices.Get(), dwIndex, &device); ++dwIndex) {
        LPCWSTR pszId = FirstPackageId(devices.Get(), &device, ids, szList);
        if (!pszId)
            continue;
        WCHAR szInstance[c_cchInstanceId];
        InstanceIdOf(devices.Get(), &device, szInstance);
        NativeLogEvent(DIFXAPI_INFO, 0, L"Installing on device %ls, which lists %ls", szInstance, pszId);
        if (!matched.Add(pszId))
            return ERROR_NOT_ENOUGH_MEMORY;
    }
    if (matched.IsEmpty()) {
        NativeLogEvent(DIFXAPI_INFO, 0, L"No present device matches %ls; it stays staged for later devices",
                       pszFullPath);
        return ERROR_SUCCESS;
    }

    DWORD dwFirstError = ERROR_SUCCESS;
    const DWORD dwFlags = INSTALLFLAG_FORCE | (bQuiet ? INSTALLFLAG_NONINTERACTIVE : 0);
    for (LPCWSTR pszId = matched.First(); pszId; pszId = matched.Next(pszId)) {
        BOOL bReboot = FALSE;
        if (NativeSetupApi().pfnUpdateDriverForPlugAndPlayDevicesW(nullptr, pszId, pszFullPath, dwFlags, &bReboot)) {
            NativeLogEvent(DIFXAPI_INFO, 0, L"Installed %ls on the devices with ID %ls", pszFullPath, pszId);
        } else {
            const DWORD dwError = LastErrorOrFailure();
            // The device went away since it was listed: nothing to install on.
            if (dwError == ERROR_NO_SUCH_DEVINST)
                continue;
            NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot install %ls on the devices with ID %ls", pszFullPath, pszId);
            if (dwFirstError == ERROR_SUCCESS)
                dwFirstError = dwError;
        }
        if (bReboot)
            *pbNeedReboot = TRUE;
    }
    return dwFirstError;
}

DWORD RemoveDevicesBoundTo(LPCWSTR pszPublishedName, BOOL* pbNeedReboot)
{
    CDevInfo devices(SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES));
    if (!devices.IsValid()) {
        const DWORD dwError = LastErrorOrFailure();
        NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot list the devices");
        return dwError;
    }
    DWORD dwFirstError = ERROR_SUCCESS;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    // A removed device stays an element of the set, so indices do not shift.
    for (DWORD dwIndex = 0; SetupDiEnumDeviceInfo(devices.Get(), dwIndex, &device); ++dwIndex) {
        if (!DriverInfPathIs(devices.Get(), &device, pszPublishedName))
            continue;
        WCHAR szInstance[c_cchInstanceId];
        InstanceIdOf(devices.Get(), &device, szInstance);
        if (SetupDiCallClassInstaller(DIF_REMOVE, devices.Get(), &device)) {
            NativeLogEvent(DIFXAPI_INFO, 0, L"Removed device %ls, which used %ls", szInstance, pszPublishedName);
            NoteRebootNeed(devices.Get(), &device, pbNeedReboot);
        } else {
            const DWORD dwError = LastErrorOrFailure();
            NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot remove device %ls, which uses %ls", szInstance,
                           pszPublishedName);
            if (dwFirstError == ERROR_SUCCESS)
                dwFirstError = dwError;
        }
    }
    return dwFirstError;
}
