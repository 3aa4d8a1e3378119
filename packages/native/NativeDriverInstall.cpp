// The package calls on Windows' own device-installation API, for a system
// without DIFx. Each takes DIFx's arguments and flags and gives DIFx-like
// results: 0, or a Win32 or SetupAPI code from GetLastError.
#include "packages/native/NativeDriverInstall.h"

#include <setupapi.h>

#include "cmdline/OwnedString.h"
#include "inf/InfFile.h"
#include "inf/InstallSections.h"
#include "inf/MachineArchitecture.h"
#include "inf/PackageDeviceIds.h"
#include "packages/native/DeviceBinding.h"
#include "packages/native/NativeLog.h"
#include "packages/native/NativeSetupApi.h"
#include "packages/native/PackagePath.h"
#include "packages/native/PackageRemoval.h"
#include "packages/native/PendingInstalls.h"
#include "platform/LastError.h"

namespace {

// There is no silent flag: SetupAPI is told to show nothing at all, and no
// call gets a parent window.
void ApplyQuiet(DWORD dwFlags)
{
    if (dwFlags & DRIVER_PACKAGE_SILENT)
        SetupSetNonInteractiveMode(TRUE);
}

// Stages the package into the driver store and writes the staged copy's
// file name. An identical package staged before is reused, which counts as
// success.
DWORD StagePackage(LPCWSTR pszFullPath, CWideString* pstrPublished)
{
    WCHAR szStaged[MAX_PATH] = {};
    PWSTR pszName = nullptr;
    if (!NativeSetupApi().pfnSetupCopyOEMInfW(pszFullPath, nullptr, SPOST_PATH, 0, szStaged, MAX_PATH, nullptr,
                                              &pszName)) {
        const DWORD dwError = LastErrorOrFailure();
        NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot stage \"%ls\" into the driver store", pszFullPath);
        return dwError;
    }
    NativeLogEvent(DIFXAPI_INFO, 0, L"Staged \"%ls\" as \"%ls\"", pszFullPath, szStaged);
    if (pstrPublished && !pstrPublished->Assign(pszName ? pszName : szStaged))
        return ERROR_NOT_ENOUGH_MEMORY;
    return ERROR_SUCCESS;
}

void ReportEnd(DWORD dwResult)
{
    if (dwResult == ERROR_SUCCESS)
        NativeLogEvent(DIFXAPI_SUCCESS, 0, L"done");
}

// Every package call starts here: Windows' own pending installs first.
DWORD BeginCall(PCWSTR pszInfPath, DWORD dwFlags, CWideString* pstrFull)
{
    ApplyQuiet(dwFlags);
    WaitForPendingInstallsOnce();
    return ResolvePackagePath(pszInfPath, pstrFull);
}

DWORD WINAPI NativePreinstall(PCWSTR pszInfPath, DWORD dwFlags)
{
    CWideString strFull;
    DWORD dwResult = BeginCall(pszInfPath, dwFlags, &strFull);
    if (dwResult == ERROR_SUCCESS)
        dwResult = StagePackage(strFull.c_str(), nullptr);
    ReportEnd(dwResult);
    return dwResult;
}

DWORD PassSection(HINF, LPCWSTR, EInstallSectionRole, PVOID)
{
    return ERROR_SUCCESS;
}

// The install on such a device fails; /v reports the same model line as a
// problem, from the same walk.
DWORD WarnMissingSection(LPCWSTR pszSection, LPCWSTR pszModel, LPCWSTR pszHardwareId, PVOID pvFullPath)
{
    NativeLogEvent(DIFXAPI_WARNING, ERROR_SECTION_NOT_FOUND,
                   L"\"%ls\": the install section [%ls] of the model \"%ls\" (%ls) is missing for %ls; its devices "
                   L"cannot get this package",
                   static_cast<LPCWSTR>(pvFullPath), pszSection, pszModel, pszHardwareId,
                   ArchitectureName(MachineArchitecture()));
    return ERROR_SUCCESS;
}

// The device IDs come first: a package that cannot go on any device of
// this machine is not staged at all. pszNone ends the text for a package
// that names none. bWalkSections: warn of model lines without their install
// section too (for the staged copy, which the calls get).
DWORD ReadDeviceIds(LPCWSTR pszFullPath, CDeviceIdList* pIds, LPCWSTR pszNone, bool bWalkSections)
{
    CInfFile inf;
    DWORD dwResult = OpenPackageInf(pszFullPath, &inf);
    if (dwResult == ERROR_SUCCESS)
        dwResult = ReadPackageDeviceIds(inf.Get(), pIds);
    if (dwResult == ERROR_SUCCESS && bWalkSections) {
        const INSTALL_SECTION_WALK walk = { PassSection, WarnMissingSection,
                                            const_cast<PVOID>(static_cast<const void*>(pszFullPath)) };
        dwResult = ForEachInstallSection(inf.Get(), walk);
    }
    if (dwResult != ERROR_SUCCESS) {
        NativeLogEvent(DIFXAPI_ERROR, dwResult, L"Cannot read the devices that \"%ls\" names", pszFullPath);
        return dwResult;
    }
    if (pIds->IsEmpty()) {
        NativeLogEvent(DIFXAPI_ERROR, ERROR_NO_DEVICE_ID, L"\"%ls\" names no device for %ls%ls", pszFullPath,
                       ArchitectureName(MachineArchitecture()), pszNone);
        return ERROR_NO_DEVICE_ID;
    }
    return ERROR_SUCCESS;
}

DWORD InstallPackage(LPCWSTR pszFullPath, bool bQuiet, BOOL* pbNeedReboot)
{
    CDeviceIdList ids;
    DWORD dwResult = ReadDeviceIds(pszFullPath, &ids, L"; nothing is staged", false);
    if (dwResult != ERROR_SUCCESS)
        return dwResult;
    if (!NativeSetupApi().pfnUpdateDriverForPlugAndPlayDevicesW) {
        const DWORD dwNewdevError = NativeSetupApi().dwNewdevError;
        const DWORD dwError = dwNewdevError ? dwNewdevError : ERROR_PROC_NOT_FOUND;
        NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot load newdev.dll from System32; nothing is staged");
        return dwError;
    }
    CWideString strPublished;
    dwResult = StagePackage(pszFullPath, &strPublished);
    if (dwResult != ERROR_SUCCESS)
        return dwResult;
    // From here on only the staged copy counts: the package's own folder may
    // be one a user can write, who could swap the INF (or a junction above
    // it) after it was checked and staged.
    CWideString strStaged;
    CDeviceIdList stagedIds;
    dwResult = GetStagedCopyPath(strPublished.c_str(), &strStaged);
    if (dwResult == ERROR_SUCCESS)
        dwResult = ReadDeviceIds(strStaged.c_str(), &stagedIds, L"", true);
    if (dwResult != ERROR_SUCCESS)
        return dwResult;
    return InstallOnPresentDevices(strStaged.c_str(), strPublished.c_str(), stagedIds, bQuiet, pbNeedReboot);
}

DWORD WINAPI NativeInstall(PCWSTR pszInfPath, DWORD dwFlags, PCINSTALLERINFO_W /*pInstallerInfo*/,
                           BOOL* pbNeedReboot)
{
    BOOL bNeedReboot = FALSE;
    CWideString strFull;
    DWORD dwResult = BeginCall(pszInfPath, dwFlags, &strFull);
    if (dwResult == ERROR_SUCCESS)
        dwResult = InstallPackage(strFull.c_str(), (dwFlags & DRIVER_PACKAGE_SILENT) != 0, &bNeedReboot);
    if (bNeedReboot && pbNeedReboot)
        *pbNeedReboot = TRUE;
    ReportEnd(dwResult);
    return dwResult;
}

DWORD WINAPI NativeUninstall(PCWSTR pszInfPath, DWORD dwFlags, PCINSTALLERINFO_W /*pInstallerInfo*/,
                             BOOL* pbNeedReboot)
{
    BOOL bNeedReboot = FALSE;
    CWideString strFull;
    DWORD dwResult = BeginCall(pszInfPath, dwFlags, &strFull);
    if (dwResult == ERROR_SUCCESS)
        dwResult = RemovePackage(strFull.c_str(), &bNeedReboot);
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
    *pApi = { installPathNative, L"", NativePreinstall, NativeInstall, NativeUninstall, NativeSetLogCallback, nullptr };
}
