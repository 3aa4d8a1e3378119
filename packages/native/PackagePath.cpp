#include "packages/native/PackagePath.h"

#include <cwchar>

#include "packages/native/NativeLog.h"
#include "platform/FullPathName.h"
#include "platform/LastError.h"

namespace {

bool StartsWithNoCase(LPCWSTR psz, size_t cch, LPCWSTR pszPrefix, size_t cchPrefix)
{
    return cch >= cchPrefix &&
           CompareStringOrdinal(psz, static_cast<int>(cchPrefix), pszPrefix, static_cast<int>(cchPrefix), TRUE) ==
               CSTR_EQUAL;
}

} // namespace

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
        NativeLogEvent(DIFXAPI_ERROR, dwError, L"Cannot resolve the path %ls", pszInfPath);
        return dwError;
    }
    const size_t cchFull = full.Length();

    WCHAR szInfFolder[MAX_PATH + 8];
    if (GetInfFolder(szInfFolder, ARRAYSIZE(szInfFolder)) &&
        StartsWithNoCase(pszFull, cchFull, szInfFolder, wcslen(szInfFolder))) {
        NativeLogEvent(DIFXAPI_ERROR, ERROR_INVALID_PARAMETER,
                       L"%ls lies in the Windows INF folder; name the package's own copy instead", pszFull);
        return ERROR_INVALID_PARAMETER;
    }
    const DWORD dwAttributes = GetFileAttributesW(pszFull);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES || (dwAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        NativeLogEvent(DIFXAPI_ERROR, ERROR_FILE_NOT_FOUND, L"%ls does not exist", pszFull);
        return ERROR_FILE_NOT_FOUND;
    }
    if (!pstrFullPath->Assign(pszFull, cchFull))
        return ERROR_NOT_ENOUGH_MEMORY;
    return ERROR_SUCCESS;
}
