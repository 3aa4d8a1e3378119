// The package calls on Windows' own device-installation API, for a system
// without DIFx. Each takes DIFx's arguments and flags and gives DIFx-like
// results: 0, or a Win32 or SetupAPI code from GetLastError.
#include "packages/native/NativeDriverInstall.h"

#include <setupapi.h>

#include "cmdline/OwnedString.h"
#include "packages/native/DeviceBinding.h"
#include "inf/InfFile.h"
#include "packages/native/NativeLog.h"
#include "packages/native/NativeSetupApi.h"
#include "inf/PackageDeviceIds.h"
#include "packages/native/PackagePath.h"
#include "packages/native/StagedCopy.h"
#include "platform/LastError.h"

namespace {

// There is no silent flag: SetupAPI is told to show nothing at all, and no
// call gets a parent window.
void ApplyQuiet(DWORD dwFlags)
{
    if (dwFlags & DRIVER_PACKAGE_SILENT)
        SetupSetNonInteractiveMode(TRUE);
}

// Stages the package into the driver store. An identical package staged
// before is reused, which counts as success.
DWORD StagePackage(LPCWSTR pszFullPath)
{
    WCHAR szStaged[MAX_PATH] = {};
    if (!NativeSetupApi().pfnSetupCopyOEMInfW(pszFullPath, nullptr, SPOST_PATH, 0, szStaged, MAX_PATH, nullptr,
                                              nullptr)) {
        const DWORD dwError = LastErrorOrFailure();
        NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot stage %ls into the driver store", pszFullPath);
        return dwError;
    }
    NativeLogEvent(DIFXAPI_INFO, 0, L"Staged %ls as %ls", pszFullPath, szStaged);
    return ERROR_SUCCESS;
}

void ReportEnd(DWORD dwResult)
{
    if (dwResult == ERROR_SUCCESS)
        NativeLogEvent(DIFXAPI_SUCCESS, 0, L"done");
}

DWORD WINAPI NativePreinstall(PCWSTR pszInfPath, DWORD dwFlags)
{
    ApplyQuiet(dwFlags);
    CWideString strFull;
    DWORD dwResult = ResolvePackagePath(pszInfPath, &strFull);
    if (dwResult == ERROR_SUCCESS)
        dwResult = StagePackage(strFull.c_str());
    ReportEnd(dwResult);
    return dwResult;
}

DWORD InstallPackage(PCWSTR pszInfPath, bool bQuiet, BOOL* pbNeedReboot)
{
    CWideString strFull;
    DWORD dwResult = ResolvePackagePath(pszInfPath, &strFull);
    if (dwResult != ERROR_SUCCESS)
        return dwResult;
    dwResult = StagePackage(strFull.c_str());
    if (dwResult != ERROR_SUCCESS)
        return dwResult;
    CInfFile inf;
    CDeviceIdList ids;
    dwResult = OpenPackageInf(strFull.c_str(), &inf);
    if (dwResult == ERROR_SUCCESS)
        dwResult = ReadPackageDeviceIds(inf.Get(), &ids);
    if (dwResult != ERROR_SUCCESS) {
        NativeLogEvent(DIFXAPI_ERROR, dwResult, L"Cannot read the devices that %ls names", strFull.c_str());
        return dwResult;
    }
    return InstallOnPresentDevices(strFull.c_str(), ids, bQuiet, pbNeedReboot);
}

DWORD WINAPI NativeInstall(PCWSTR pszInfPath, DWORD dwFlags, PCINSTALLERINFO_W /*pInstallerInfo*/,
                           BOOL* pbNeedReboot)
{
    ApplyQuiet(dwFlags);
    BOOL bNeedReboot = FALSE;
    const DWORD dwResult = InstallPackage(pszInfPath, (dwFlags & DRIVER_PACKAGE_SILENT) != 0, &bNeedReboot);
    if (bNeedReboot && pbNeedReboot)
        *pbNeedReboot = TRUE;
    ReportEnd(dwResult);
    return dwResult;
}

// Where Windows has no DiUninstallDriverW: the staged copy is found by its
// bytes, its devices are removed, then the copy leaves the store. Nothing is
// deleted unless it is the staged copy of exactly this package.
DWORD UninstallStagedCopy(LPCWSTR pszFullPath, BOOL* pbNeedReboot)
{
    CInfFile inf;
    DWORD dwResult = OpenPackageInf(pszFullPath, &inf);
    if (dwResult != ERROR_SUCCESS) {
        NativeLogEvent(DIFXAPI_ERROR, dwResult, L"Cannot read %ls", pszFullPath);
        return dwResult;
    }
    CWideString strPublished;
    dwResult = FindStagedCopy(pszFullPath, inf.Get(), &strPublished);
    if (dwResult == ERROR_DRIVER_PACKAGE_NOT_IN_STORE) {
        NativeLogEvent(DIFXAPI_ERROR, dwResult, L"%ls is not in the driver store", pszFullPath);
        return dwResult;
    }
    if (dwResult != ERROR_SUCCESS) {
        NativeLogEvent(DIFXAPI_ERROR, dwResult, L"Cannot look for the staged copy of %ls", pszFullPath);
        return dwResult;
    }
    // A device still bound to the copy would lose its driver files: the copy
    // stays when one cannot be removed.
    dwResult = RemoveDevicesBoundTo(strPublished.c_str(), pbNeedReboot);
    if (dwResult != ERROR_SUCCESS)
        return dwResult;
    if (!NativeSetupApi().pfnSetupUninstallOEMInfW(strPublished.c_str(), SUOI_FORCEDELETE, nullptr)) {
        dwResult = LastErrorOrFailure();
        NativeLogEvent(DIFXAPI_ERROR, dwResult, L"Cannot remove %ls from the driver store", strPublished.c_str());
        return dwResult;
    }
    NativeLogEvent(DIFXAPI_INFO, 0, L"Removed %ls (staged from %ls) from the driver store", strPublished.c_str(),
                   pszFullPath);
    return ERROR_SUCCESS;
}

DWORD WINAPI NativeUninstall(PCWSTR pszInfPath, DWORD dwFlags, PCINSTALLERINFO_W /*pInstallerInfo*/,
                             BOOL* pbNeedReboot)
{
    ApplyQuiet(dwFlags);
    BOOL bNeedReboot = FALSE;
    CWideString strFull;
    DWORD dwResult = ResolvePackagePath(pszInfPath, &strFull);
    if (dwResult == ERROR_SUCCESS) {
        if (NativeSetupApi().pfnDiUninstallDriverW) {
            // Moves the devices to another driver, then removes the package.
            if (NativeSetupApi().pfnDiUninstallDriverW(nullptr, strFull.c_str(), 0, &bNeedReboot)) {
                NativeLogEvent(DIFXAPI_INFO, 0, L"Uninstalled %ls from its devices and the driver store",
                               strFull.c_str());
            } else {
                dwResult = LastErrorOrFailure();
                NativeLogEvent(DIFXAPI_ERROR, dwResult, L"Cannot uninstall %ls", strFull.c_str());
            }
        } else {
            dwResult = UninstallStagedCopy(strFull.c_str(), &bNeedReboot);
        }
    }
    if (bNeedReboot && pbNeedReboot)
        *pbNeedReboot = TRUE;
    ReportEnd(dwResult);
    return dwResult;
}

VOID WINAPI NativeSetLogCallback(DIFXAPILOGCALLBACK_W pfnLogCallback, PVOID pvContext)
{
    SetNativeLogCallback(pfnLogCallback, pvContext);
}

} // namespace

void GetNativeDriverInstallApi(DRIVER_INSTALL_API* pApi)
{
    *pApi = { installPathNative, L"", NativePreinstall, NativeInstall, NativeUninstall, NativeSetLogCallback };
}
