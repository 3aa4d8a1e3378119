#include "packages/PackageClean.h"

#include "cmdline/OwnedString.h"
#include "packages/PackageCallLock.h"
#include "packages/RunSummary.h"
#include "packages/native/NativeLog.h"
#include "packages/native/PackagePath.h"
#include "packages/native/PendingInstalls.h"
#include "packages/native/StagedVersionRemoval.h"
#include "packages/native/StagedVersions.h"
#include "packages/native/SystemFolderGuard.h"
#include "platform/FullPathName.h"

namespace {

// Listed once per run: a /v list run checks its packages against one view of
// the INF folder. Only the operation's thread checks packages.
CStagedSizes g_stagedSizes;

// Why a version stays without an attempt to remove it; null for one that
// /c removes.
LPCWSTR KeptReason(INT nVerdict)
{
    switch (nVerdict) {
    case versionNewer: return L"newer";
    case versionSame: return L"same version";
    case versionUnreadable: return L"its DriverVer cannot be read";
    case versionExtension: return L"an extension package";
    case versionSoftwareComponent: return L"a software component package";
    default: return nullptr;
    }
}

void ReportInUse(LPCWSTR pszName, LPCWSTR pszDevice)
{
    if (pszDevice[0] != L'\0')
        NativeLogEvent(DIFXAPI_INFO, 0, L"kept %ls: used by %ls", pszName, pszDevice);
    else
        NativeLogEvent(DIFXAPI_INFO, ERROR_INF_IN_USE_BY_DEVICES,
                       L"kept %ls: used by a device (Windows refuses to remove it)", pszName);
}

// One superseded version, under the machine-wide lock. 0, or the code of the
// failure.
DWORD RemoveSuperseded(const CStagedVersions& versions, const STAGED_VERSION& staged, CPackageCallLock& lock,
                       CDiffxApiCallback* pCallback, CRunLog* pLog, RUN_SUMMARY* pSummary)
{
    WaitForPendingInstallsOnce();
    WCHAR szDevice[c_cchInstanceId] = {};
    DWORD dwError = ERROR_SUCCESS;
    EStagedRemoval outcome;
    {
        CPackageCallHold hold(lock, pCallback, pLog);
        outcome = RemoveStagedVersion(staged.szName, szDevice, &dwError);
    }
    switch (outcome) {
    case stagedRemoved:
        ++pSummary->cVersionsRemoved;
        NativeLogEvent(DIFXAPI_INFO, 0, L"removed %ls (%ls, %ls): superseded by %ls", staged.szName, staged.szProvider,
                       staged.szDriverVer, versions.DriverVer());
        return ERROR_SUCCESS;
    case stagedInUse:
        ++pSummary->cVersionsKept;
        ReportInUse(staged.szName, szDevice);
        return ERROR_SUCCESS;
    default:
        ++pSummary->cVersionsKept;
        NativeLogEvent(DIFXAPI_ERROR, dwError, L"cannot remove %ls (%ls, %ls), superseded by %ls", staged.szName,
                       staged.szProvider, staged.szDriverVer, versions.DriverVer());
        return dwError;
    }
}

DWORD ReportFindFailure(LPCWSTR pszFullPath, DWORD dwResult)
{
    if (dwResult == ERROR_DRIVER_PACKAGE_NOT_IN_STORE)
        NativeLogEvent(DIFXAPI_ERROR, dwResult, L"\"%ls\" is not in the driver store; nothing is removed", pszFullPath);
    else if (dwResult == ERROR_INVALID_DATA)
        NativeLogEvent(DIFXAPI_ERROR, dwResult,
                       L"The DriverVer of \"%ls\" cannot be read, so no staged version can be compared with it; nothing "
                       L"is removed",
                       pszFullPath);
    else
        NativeLogEvent(DIFXAPI_ERROR, dwResult, L"Cannot look for the staged versions of \"%ls\"; nothing is removed",
                       pszFullPath);
    return dwResult;
}

} // namespace

DWORD CleanDriverPackage(LPCWSTR pszInfPath, CPackageCallLock& lock, CDiffxApiCallback* pCallback, CRunLog* pLog,
                         RUN_SUMMARY* pSummary)
{
    CWideString strFull;
    DWORD dwResult = ResolvePackagePath(pszInfPath, &strFull);
    if (dwResult != ERROR_SUCCESS)
        return dwResult;
    CStagedVersions versions;
    dwResult = versions.Find(strFull.c_str());
    if (dwResult != ERROR_SUCCESS)
        return ReportFindFailure(strFull.c_str(), dwResult);
    NativeLogEvent(DIFXAPI_INFO, 0, L"\"%ls\" is staged as %ls (DriverVer %ls)", strFull.c_str(), versions.StagedCopy(),
                   versions.DriverVer());

    DWORD dwFirstFailure = ERROR_SUCCESS;
    for (size_t i = 0; i < versions.Count(); ++i) {
        const STAGED_VERSION& staged = versions.At(i);
        if (const LPCWSTR pszReason = KeptReason(staged.nVerdict)) {
            ++pSummary->cVersionsKept;
            NativeLogEvent(DIFXAPI_INFO, 0, L"kept %ls: %ls", staged.szName, pszReason);
        } else if (staged.nVerdict == versionInUse) {
            ++pSummary->cVersionsKept;
            ReportInUse(staged.szName, staged.szDevice);
        } else {
            const DWORD dwError = RemoveSuperseded(versions, staged, lock, pCallback, pLog, pSummary);
            if (dwFirstFailure == ERROR_SUCCESS)
                dwFirstFailure = dwError;
        }
    }
    return dwFirstFailure;
}

void PreviewCleanDriverPackage(LPCWSTR pszInfPath)
{
    // The checks of /v report what is wrong with the path; this only adds
    // what /c would do with a package that is staged. Most packages that /v
    // checks are not: the sizes in the INF folder tell.
    const CFullPathName full(pszInfPath ? pszInfPath : L"");
    ESystemFolder folder = systemFolderNone;
    if (!full.Get() || !g_stagedSizes.MayHoldCopyOf(full.Get()) ||
        FindSystemFolder(full.Get(), &folder) != ERROR_SUCCESS || folder != systemFolderNone)
        return;
    CStagedVersions versions;
    if (versions.Find(full.Get()) != ERROR_SUCCESS)
        return;
    for (size_t i = 0; i < versions.Count(); ++i) {
        const STAGED_VERSION& staged = versions.At(i);
        switch (staged.nVerdict) {
        case versionSuperseded:
            NativeLogEvent(DIFXAPI_INFO, 0, L"/c would remove %ls", staged.szName);
            break;
        case versionInUse:
            NativeLogEvent(DIFXAPI_INFO, 0, L"kept %ls: used by %ls", staged.szName, staged.szDevice);
            break;
        case versionExtension:
        case versionSoftwareComponent:
            NativeLogEvent(DIFXAPI_INFO, 0, L"kept %ls: %ls", staged.szName, KeptReason(staged.nVerdict));
            break;
        default:
            // Newer and same versions, and unreadable ones, are no older
            // version.
            break;
        }
    }
}
