#include "packages/native/StagedVersionRemoval.h"

#include <setupapi.h>

#include <cwchar>

#include "inf/DeviceSet.h"
#include "packages/native/NativeLog.h"
#include "packages/native/NativeSetupApi.h"
#include "packages/native/PackagePath.h"
#include "packages/native/StagedCopy.h"
#include "packages/native/StagedVersions.h"
#include "platform/LastError.h"

namespace {

// 0 when the staged INF is gone from the INF folder, ERROR_FILE_EXISTS when
// it is still there, or the code that keeps from telling.
DWORD CheckGone(LPCWSTR pszName)
{
    WCHAR szFolder[c_cchStagedPath];
    WCHAR szPath[c_cchStagedPath];
    if (!GetInfFolder(szFolder, c_cchStagedPath))
        return ERROR_PATH_NOT_FOUND;
    if (!JoinStagedPath(szFolder, pszName, szPath))
        return ERROR_FILENAME_EXCED_RANGE;
    if (GetFileAttributesW(szPath) != INVALID_FILE_ATTRIBUTES)
        return ERROR_FILE_EXISTS;
    const DWORD dwError = GetLastError();
    return dwError == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : LastErrorOrFailure();
}

// The device check right before a call: stagedInUse, stagedFailed when the
// devices cannot be listed (nothing is removed without the check), or
// stagedRemoved to go on.
EStagedRemoval CheckDevices(LPCWSTR pszName, LPWSTR pszDevice, DWORD* pdwError)
{
    const DWORD dwError = FindDeviceUsing(pszName, pszDevice);
    if (dwError != ERROR_SUCCESS) {
        NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot list the devices, so %ls stays", pszName);
        *pdwError = dwError;
        return stagedFailed;
    }
    return pszDevice[0] != L'\0' ? stagedInUse : stagedRemoved;
}

} // namespace

EStagedRemoval RemoveStagedVersion(LPCWSTR pszName, LPWSTR pszDevice, DWORD* pdwError)
{
    *pdwError = ERROR_SUCCESS;
    pszDevice[0] = L'\0';
    // The caller's look at the devices has passed; Windows itself refuses an
    // INF that a device took since.
    const NATIVE_SETUP_API& api = NativeSetupApi();
    if (!api.pfnSetupUninstallOEMInfW(pszName, 0, nullptr)) {
        const DWORD dwError = LastErrorOrFailure();
        if (dwError == ERROR_INF_IN_USE_BY_DEVICES)
            return stagedInUse;
        *pdwError = dwError;
        return stagedFailed;
    }
    DWORD dwGone = CheckGone(pszName);
    if (dwGone == ERROR_FILE_EXISTS) {
        // The call said yes and did nothing. The devices were looked at, and
        // are looked at once more: only then does the flag that skips
        // Windows' own check go with it.
        const EStagedRemoval outcome = CheckDevices(pszName, pszDevice, pdwError);
        if (outcome != stagedRemoved)
            return outcome;
        NativeLogEvent(DIFXAPI_INFO, 0, L"%ls is still there after SetupUninstallOEMInfW; removing it with SUOI_FORCEDELETE",
                       pszName);
        if (!api.pfnSetupUninstallOEMInfW(pszName, SUOI_FORCEDELETE, nullptr)) {
            *pdwError = LastErrorOrFailure();
            return stagedFailed;
        }
        dwGone = CheckGone(pszName);
    }
    if (dwGone != ERROR_SUCCESS) {
        // Reported removed, yet still there: that is a failure, never a success.
        *pdwError = dwGone == ERROR_FILE_EXISTS ? ERROR_CAN_NOT_COMPLETE : dwGone;
        return stagedFailed;
    }
    return stagedRemoved;
}
