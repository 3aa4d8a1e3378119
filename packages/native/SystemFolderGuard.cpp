#include "packages/native/SystemFolderGuard.h"

#include <cwchar>

#include "platform/LastError.h"
#include "platform/UniqueHandle.h"

namespace {

// The longest final path a file can have ("\\?\" paths reach 32,767 units).
const DWORD c_cchFinalMax = 32768;
const DWORD c_cchFolder = MAX_PATH * 2;
const DWORD c_dwShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The final path of pszPath into pszFinal (cchFinal units). 0, or the error.
DWORD FinalPathOf(LPCWSTR pszPath, DWORD dwOpenFlags, LPWSTR pszFinal, DWORD cchFinal)
{
    CFileHandle file(
        CreateFileW(pszPath, FILE_READ_ATTRIBUTES, c_dwShareAll, nullptr, OPEN_EXISTING, dwOpenFlags, nullptr));
    if (!file.IsValid())
        return LastErrorOrFailure();
    const DWORD cch = GetFinalPathNameByHandleW(file.Get(), pszFinal, cchFinal, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (cch == 0)
        return LastErrorOrFailure();
    return cch < cchFinal ? ERROR_SUCCESS : ERROR_FILENAME_EXCED_RANGE;
}

// "<pszBase><pszTail>" into pszPath (c_cchFolder units); false when it does
// not fit.
bool FolderPath(UINT cchBase, LPWSTR pszPath, LPCWSTR pszTail)
{
    const size_t cchTail = wcslen(pszTail);
    if (cchBase == 0 || cchBase + cchTail >= c_cchFolder)
        return false;
    wmemcpy(pszPath + cchBase, pszTail, cchTail + 1);
    return true;
}

bool IsInsideFolder(LPCWSTR pszFinal, LPCWSTR pszFolderFinal)
{
    const size_t cchFolder = wcslen(pszFolderFinal);
    return wcslen(pszFinal) > cchFolder && pszFinal[cchFolder] == L'\\' &&
           CompareStringOrdinal(pszFinal, static_cast<int>(cchFolder), pszFolderFinal, static_cast<int>(cchFolder),
                                TRUE) == CSTR_EQUAL;
}

} // namespace

DWORD FindSystemFolder(LPCWSTR pszFullPath, ESystemFolder* pFolder)
{
    *pFolder = systemFolderNone;
    CHeapBlock finalPath(malloc(c_cchFinalMax * sizeof(WCHAR)));
    if (!finalPath.Get())
        return ERROR_NOT_ENOUGH_MEMORY;
    LPWSTR pszFinal = static_cast<LPWSTR>(finalPath.Get());
    DWORD dwError = FinalPathOf(pszFullPath, FILE_ATTRIBUTE_NORMAL, pszFinal, c_cchFinalMax);
    if (dwError != ERROR_SUCCESS)
        return dwError;

    WCHAR szFolder[c_cchFolder];
    WCHAR szFolderFinal[c_cchFolder];
    if (!FolderPath(GetWindowsDirectoryW(szFolder, c_cchFolder), szFolder, L"\\inf"))
        return ERROR_PATH_NOT_FOUND;
    dwError = FinalPathOf(szFolder, FILE_FLAG_BACKUP_SEMANTICS, szFolderFinal, c_cchFolder);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    if (IsInsideFolder(pszFinal, szFolderFinal)) {
        *pFolder = systemFolderInf;
        return ERROR_SUCCESS;
    }
    if (FolderPath(GetSystemDirectoryW(szFolder, c_cchFolder), szFolder, L"\\DriverStore") &&
        FinalPathOf(szFolder, FILE_FLAG_BACKUP_SEMANTICS, szFolderFinal, c_cchFolder) == ERROR_SUCCESS &&
        IsInsideFolder(pszFinal, szFolderFinal))
        *pFolder = systemFolderDriverStore;
    return ERROR_SUCCESS;
}
