#include "packages/native/PackageRemoval.h"

#include <setupapi.h>
#include <cfgmgr32.h>

#include "cmdline/OwnedString.h"
#include "inf/InfFile.h"
#include "packages/native/DeviceBinding.h"
#include "packages/native/NativeLog.h"
#include "packages/native/NativeSetupApi.h"
#include "packages/native/PackagePath.h"
#include "packages/native/StagedCopy.h"
#include "platform/LastError.h"

namespace {

// What DiUninstallDriverW documents for an INF it cannot find. The package's
// INF was found before the call, so the missing one is the store's copy.
DWORD MapDiUninstallError(DWORD dwError)
{
    if (dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_NOT_FOUND)
        return ERROR_DRIVER_PACKAGE_NOT_IN_STORE;
    return dwError;
}

// Moves the devices to another driver, then removes the package: the staged
// copy that was found, by its full path in the INF folder, so that what is
// removed is what was matched, whatever happens to the package's own folder.
DWORD DiUninstall(LPCWSTR pszFullPath, LPCWSTR pszPublishedName, BOOL* pbNeedReboot)
{
    CWideString strStaged;
    const DWORD dwPathError = GetStagedCopyPath(pszPublishedName, &strStaged);
    if (dwPathError != ERROR_SUCCESS) {
        NativeLogEvent(DIFXAPI_ERROR, dwPathError, L"Cannot uninstall \"%ls\"", pszFullPath);
        return dwPathError;
    }
    if (NativeSetupApi().pfnDiUninstallDriverW(nullptr, strStaged.c_str(), 0, pbNeedReboot)) {
        NativeLogEvent(DIFXAPI_INFO, 0, L"Uninstalled \"%ls\" (staged from \"%ls\") from its devices and the driver store",
                       strStaged.c_str(), pszFullPath);
        return ERROR_SUCCESS;
    }
    const DWORD dwError = LastErrorOrFailure();
    const DWORD dwResult = MapDiUninstallError(dwError);
    if (dwResult == ERROR_DRIVER_PACKAGE_NOT_IN_STORE)
        NativeLogEvent(DIFXAPI_ERROR, dwError, L"\"%ls\" is not in the driver store", pszFullPath);
    else
        NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot uninstall \"%ls\"", pszFullPath);
    return dwResult;
}

// The removed devices come back with their next best driver, as
// DiUninstallDriverW leaves them. The package is gone either way: a failure
// here is only a warning.
void ReenumerateDevices()
{
    const NATIVE_SETUP_API& api = NativeSetupApi();
    if (!api.pfnCM_Locate_DevNodeW || !api.pfnCM_Reenumerate_DevNode) {
        NativeLogEvent(DIFXAPI_WARNING, ERROR_PROC_NOT_FOUND, L"Cannot look for the removed devices again");
        return;
    }
    DEVINST root = 0;
    CONFIGRET cr = api.pfnCM_Locate_DevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL);
    if (cr != CR_SUCCESS) {
        NativeLogEvent(DIFXAPI_WARNING, cr, L"Cannot find the root of the device tree (configuration manager code %lu)",
                       static_cast<unsigned long>(cr));
        return;
    }
    cr = api.pfnCM_Reenumerate_DevNode(root, CM_REENUMERATE_SYNCHRONOUS);
    if (cr != CR_SUCCESS)
        NativeLogEvent(DIFXAPI_WARNING, cr,
                       L"Cannot look for the removed devices again (configuration manager code %lu)",
                       static_cast<unsigned long>(cr));
}

// The staged copy of the package, found by its bytes and its catalog.
DWORD FindPackageCopy(LPCWSTR pszFullPath, CWideString* pstrPublished)
{
    CInfFile inf;
    DWORD dwResult = OpenPackageInf(pszFullPath, &inf);
    if (dwResult != ERROR_SUCCESS) {
        NativeLogEvent(DIFXAPI_ERROR, dwResult, L"Cannot read \"%ls\"", pszFullPath);
        return dwResult;
    }
    dwResult = FindStagedCopy(pszFullPath, inf.Get(), pstrPublished);
    if (dwResult == ERROR_DRIVER_PACKAGE_NOT_IN_STORE)
        NativeLogEvent(DIFXAPI_ERROR, dwResult, L"\"%ls\" is not in the driver store", pszFullPath);
    else if (dwResult != ERROR_SUCCESS)
        NativeLogEvent(DIFXAPI_ERROR, dwResult, L"Cannot look for the staged copy of \"%ls\"", pszFullPath);
    return dwResult;
}

// Where Windows has no DiUninstallDriverW: the devices that use the staged
// copy are removed, then the copy leaves the store.
DWORD UninstallStagedCopy(LPCWSTR pszFullPath, LPCWSTR pszPublishedName, BOOL* pbNeedReboot)
{
    // A device still bound to the copy would lose its driver files: the copy
    // stays when one cannot be removed. The devices removed before come back
    // at the rescan below.
    DWORD cRemoved = 0;
    DWORD dwResult = RemoveDevicesBoundTo(pszPublishedName, pbNeedReboot, &cRemoved);
    if (dwResult == ERROR_SUCCESS) {
        if (NativeSetupApi().pfnSetupUninstallOEMInfW(pszPublishedName, SUOI_FORCEDELETE, nullptr)) {
            NativeLogEvent(DIFXAPI_INFO, 0, L"Removed \"%ls\" (staged from \"%ls\") from the driver store",
                           pszPublishedName, pszFullPath);
        } else {
            dwResult = LastErrorOrFailure();
            NativeLogEvent(DIFXAPI_ERROR, dwResult, L"Cannot remove \"%ls\" from the driver store", pszPublishedName);
        }
    }
    // Removed devices stay out of the device tree until Windows looks for
    // them again, whatever came of the rest.
    if (dwResult == ERROR_SUCCESS || cRemoved > 0)
        ReenumerateDevices();
    return dwResult;
}

} // namespace

DWORD RemovePackage(LPCWSTR pszFullPath, BOOL* pbNeedReboot)
{
    CWideString strPublished;
    const DWORD dwResult = FindPackageCopy(pszFullPath, &strPublished);
    if (dwResult != ERROR_SUCCESS)
        return dwResult;
    if (NativeSetupApi().pfnDiUninstallDriverW)
        return DiUninstall(pszFullPath, strPublished.c_str(), pbNeedReboot);
    return UninstallStagedCopy(pszFullPath, strPublished.c_str(), pbNeedReboot);
}
