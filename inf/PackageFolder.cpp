#include "inf/PackageFolder.h"

#include <cstdlib>
#include <cwchar>

#include "platform/UniqueHandle.h"

CPackageFolder::CPackageFolder(LPCWSTR pszInfFullPath)
{
    LPCWSTR pszSlash = wcsrchr(pszInfFullPath, L'\\');
    m_strFolder.Assign(pszInfFullPath, pszSlash ? static_cast<size_t>(pszSlash - pszInfFullPath) + 1 : 0);
}

bool CPackageFolder::Join(LPCWSTR pszName, CWideString* pstrPath) const
{
    const size_t cchFolder = m_strFolder.Length();
    const size_t cchName = wcslen(pszName);
    CHeapBlock block(malloc((cchFolder + cchName + 1) * sizeof(WCHAR)));
    if (!block.Get())
        return false;
    LPWSTR pszPath = static_cast<LPWSTR>(block.Get());
    wmemcpy(pszPath, m_strFolder.c_str(), cchFolder);
    wmemcpy(pszPath + cchFolder, pszName, cchName + 1);
    return pstrPath->Assign(pszPath, cchFolder + cchName);
}

bool PackageFileExists(LPCWSTR pszPath)
{
    const DWORD dwAttributes = GetFileAttributesW(pszPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}
