#include "packages/native/PackagePath.h"

#include <cwchar>

#include "packages/native/NativeLog.h"
#include "packages/native/SystemFolderGuard.h"
#include "platform/FullPathName.h"
#include "platform/LastError.h"

bool GetInfFolder(LPWSTR pszFolder, size_t cchFolder)
{
    const UINT cch = GetWindowsDirectoryW(pszFolder, static_cast<UINT>(cchFolder));
    if (cch == 0 || cch >= cchFolder)
        return false;
    size_t cchUsed = cch;
    if (pszFolder[cchUsed - 1] == L'\\')
        --cchUsed;
    const WCHAR szInf[] = L"\\inf\\";
    if (cchUsed + ARRAYSIZE(szInf) > cchFolder)
        return false;
    wmemcpy(pszFolder + cchUsed, szInf, ARRAYSIZE(szInf));
    return true;
}

DWORD GetStagedCopyPath(LPCWSTR pszPublishedName, CWideString* pstrPath)
{
    WCHAR szPath[MAX_PATH * 2];
    const size_t cchName = wcslen(pszPublishedName);
    // A file name only: nothing may lead out of the folder.
    if (!GetInfFolder(szPath, ARRAYSIZE(szPath)) || cchName == 0 || wcschr(pszPublishedName, L'\\') ||
        wcschr(pszPublishedName, L'/'))
        return ERROR_PATH_NOT_FOUND;
    const size_t cchFolder = wcslen(szPath);
    if (cchFolder + cchName >= ARRAYSIZE(szPath))
        return ERROR_FILENAME_EXCED_RANGE;
    // Both fit, as checked above.
    wmemcpy(szPath + cchFolder, pszPublishedName, cchName + 1);
    return pstrPath->Assign(szPath, cchFolder + cchName) ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
}

DWORD ResolvePackagePath(LPCWSTR pszInfPath, CWideString* pstrFullPath)
{
    if (!pszInfPath || pszInfPath[0] == L'\0') {
        NativeLogEvent(DIFXAPI_ERROR, ERROR_FILE_NOT_FOUND, L"No INF file was named");
        return ERROR_FILE_NOT_FOUND;
    }
    const CFullPathName full(pszInfPath);
    LPCWSTR pszFull = full.Get();
    if (!pszFull) {
        const DWORD dwError = LastErrorOrFailure();
        NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot resolve the path \"%ls\"", pszInfPath);
        return dwError;
    }
    const size_t cchFull = full.Length();

    const DWORD dwAttributes = GetFileAttributesW(pszFull);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES || (dwAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        NativeLogEvent(DIFXAPI_ERROR, ERROR_FILE_NOT_FOUND, L"\"%ls\" does not exist", pszFull);
        return ERROR_FILE_NOT_FOUND;
    }
    ESystemFolder folder = systemFolderNone;
    const DWORD dwError = FindSystemFolder(pszFull, &folder);
    if (dwError != ERROR_SUCCESS) {
        NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot tell where \"%ls\" lies", pszFull);
        return dwError;
    }
    if (folder != systemFolderNone) {
        NativeLogEvent(DIFXAPI_ERROR, ERROR_INVALID_PARAMETER, L"\"%ls\" lies in %ls; name the package's own copy instead",
                       pszFull, folder == systemFolderInf ? L"the Windows INF folder" : L"the driver store");
        return ERROR_INVALID_PARAMETER;
    }
    if (!pstrFullPath->Assign(pszFull, cchFull))
        return ERROR_NOT_ENOUGH_MEMORY;
    return ERROR_SUCCESS;
}
