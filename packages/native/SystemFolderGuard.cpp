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

// A file or folder by identity: its volume and its index on that volume.
struct FILE_IDENTITY
{
    DWORD dwVolume;
    DWORD dwIndexHigh;
    DWORD dwIndexLow;
};

bool IdentityOf(LPCWSTR pszPath, FILE_IDENTITY* pIdentity)
{
    CFileHandle file(CreateFileW(pszPath, FILE_READ_ATTRIBUTES, c_dwShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.IsValid() || !GetFileInformationByHandle(file.Get(), &info))
        return false;
    *pIdentity = { info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow };
    return true;
}

bool SameIdentity(const FILE_IDENTITY& a, const FILE_IDENTITY& b)
{
    return a.dwVolume == b.dwVolume && a.dwIndexHigh == b.dwIndexHigh && a.dwIndexLow == b.dwIndexLow;
}

// Through a share (\\localhost\C$\..., a mapped drive) the final path names
// the share, not the local folder: the folders above the file are compared
// with the guarded ones by identity instead, up to the share itself. Cuts
// pszFinal short.
ESystemFolder FolderByIdentity(LPWSTR pszFinal, LPCWSTR pszInfFolder, LPCWSTR pszStore)
{
    const WCHAR szUnc[] = L"\\\\?\\UNC\\";
    const int cchUnc = ARRAYSIZE(szUnc) - 1;
    FILE_IDENTITY inf = {};
    FILE_IDENTITY store = {};
    if (CompareStringOrdinal(pszFinal, cchUnc, szUnc, cchUnc, TRUE) != CSTR_EQUAL || !IdentityOf(pszInfFolder, &inf))
        return systemFolderNone;
    const bool bStore = pszStore && IdentityOf(pszStore, &store);
    LPCWSTR pszServerEnd = wcschr(pszFinal + cchUnc, L'\\');
    for (LPWSTR pszSlash = wcsrchr(pszFinal, L'\\'); pszServerEnd && pszSlash > pszServerEnd;
         pszSlash = wcsrchr(pszFinal, L'\\')) {
        *pszSlash = L'\0';
        FILE_IDENTITY above;
        if (!IdentityOf(pszFinal, &above))
            continue;
        if (SameIdentity(above, inf))
            return systemFolderInf;
        if (bStore && SameIdentity(above, store))
            return systemFolderDriverStore;
    }
    return systemFolderNone;
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
    WCHAR szStore[c_cchFolder];
    WCHAR szStoreFinal[c_cchFolder];
    const bool bStore = FolderPath(GetSystemDirectoryW(szStore, c_cchFolder), szStore, L"\\DriverStore");
    if (bStore && FinalPathOf(szStore, FILE_FLAG_BACKUP_SEMANTICS, szStoreFinal, c_cchFolder) == ERROR_SUCCESS &&
        IsInsideFolder(pszFinal, szStoreFinal)) {
        *pFolder = systemFolderDriverStore;
        return ERROR_SUCCESS;
    }
    *pFolder = FolderByIdentity(pszFinal, szFolder, bStore ? szStore : nullptr);
    return ERROR_SUCCESS;
}
