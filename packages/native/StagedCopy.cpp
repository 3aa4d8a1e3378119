#include "packages/native/StagedCopy.h"

#include <cstring>
#include <cwchar>

#include "inf/PackageCatalog.h"
#include "inf/PackageFolder.h"
#include "packages/native/PackagePath.h"
#include "platform/BoundedFormat.h"
#include "platform/UniqueHandle.h"

namespace {

// An INF or catalog larger than this is not a driver package's.
const DWORD c_cbFileMax = 64 * 1024 * 1024;
const size_t c_cchPath = c_cchStagedPath;

// The whole file in a heap block. False when it cannot be read whole.
bool ReadWholeFile(LPCWSTR pszPath, CHeapBlock* pBlock, DWORD* pcb)
{
    CFileHandle file(CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file.IsValid() || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > c_cbFileMax)
        return false;
    const DWORD cb = static_cast<DWORD>(size.QuadPart);
    pBlock->Reset(malloc(cb ? cb : 1));
    DWORD cbRead = 0;
    if (!pBlock->Get() || !ReadFile(file.Get(), pBlock->Get(), cb, &cbRead, nullptr) || cbRead != cb)
        return false;
    *pcb = cb;
    return true;
}

bool FileHasBytes(LPCWSTR pszPath, const void* pvBytes, DWORD cb)
{
    CHeapBlock block;
    DWORD cbFile = 0;
    return ReadWholeFile(pszPath, &block, &cbFile) && cbFile == cb && memcmp(block.Get(), pvBytes, cb) == 0;
}

// The package's catalog, as staging copies it to the catalog root: named
// after the staged INF on Windows (oemN.cat), after itself under Wine.
class CCatalogCheck
{
public:
    CCatalogCheck(LPCWSTR pszFullPath, HINF hInf)
    {
        WCHAR szName[MAX_PATH];
        if (!PackageCatalogName(hInf, szName, ARRAYSIZE(szName)))
            return;
        if (!ReadOwnCatalog(pszFullPath, szName))
            return;
        // The root keeps the file's own name, whatever folder the INF put it in.
        LPCWSTR pszOwn = wcsrchr(szName, L'\\');
        pszOwn = pszOwn ? pszOwn + 1 : szName;
        wcsncpy(m_szName, pszOwn, MAX_PATH - 1);
        m_szName[MAX_PATH - 1] = L'\0';
        const UINT cch = GetSystemDirectoryW(m_szRoot, MAX_PATH);
        const WCHAR szRoot[] = L"\\catroot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\";
        m_bUsable = cch != 0 && cch + ARRAYSIZE(szRoot) <= ARRAYSIZE(m_szRoot);
        if (m_bUsable)
            wmemcpy(m_szRoot + cch, szRoot, ARRAYSIZE(szRoot));
    }

    // Windows stages no package without its catalog: a package that
    // names none, or whose catalog is not beside it, has no staged copy.
    bool IsUsable() const { return m_bUsable; }
    LPCWSTR OwnName() const { return m_szName; }

    bool RootHolds(LPCWSTR pszCatalogName) const
    {
        WCHAR szPath[c_cchPath];
        return m_bUsable && JoinStagedPath(m_szRoot, pszCatalogName, szPath) && FileHasBytes(szPath, m_bytes.Get(), m_cb);
    }

private:
    // The catalog beside the package, whose path may be as long as Windows
    // allows.
    bool ReadOwnCatalog(LPCWSTR pszFullPath, LPCWSTR pszName)
    {
        CWideString strPath;
        return CPackageFolder(pszFullPath).Join(pszName, &strPath) && ReadWholeFile(strPath.c_str(), &m_bytes, &m_cb);
    }

    bool m_bUsable = false;
    WCHAR m_szName[MAX_PATH] = {};
    WCHAR m_szRoot[MAX_PATH + 64] = {};
    CHeapBlock m_bytes;
    DWORD m_cb = 0;
};

// "oem<N>.inf", the name Windows gives every staged copy; its catalog is
// "oem<N>.cat", written into pszCatalog (MAX_PATH units).
bool OemCatalogName(LPCWSTR pszName, LPWSTR pszCatalog)
{
    const size_t cch = wcslen(pszName);
    if (cch < 8 || cch >= MAX_PATH || CompareStringOrdinal(pszName, 3, L"oem", 3, TRUE) != CSTR_EQUAL ||
        CompareStringOrdinal(pszName + cch - 4, 4, L".inf", 4, TRUE) != CSTR_EQUAL)
        return false;
    for (size_t i = 3; i < cch - 4; ++i) {
        if (pszName[i] < L'0' || pszName[i] > L'9')
            return false;
    }
    wmemcpy(pszCatalog, pszName, cch - 4);
    wmemcpy(pszCatalog + cch - 4, L".cat", 5);
    return true;
}

// Whether the INF folder's file pszName is the package's staged copy: its
// bytes are the package's, and so are those of its catalog in the root.
class CStagedCopyMatch
{
public:
    CStagedCopyMatch(const CHeapBlock& package, DWORD cbPackage, const CCatalogCheck& catalog, LPCWSTR pszInfFolder)
        : m_package(package), m_cbPackage(cbPackage), m_catalog(catalog), m_pszInfFolder(pszInfFolder)
    {
    }

    // Only a file of the package's size can hold its bytes: the others are
    // never opened. Its catalog lies in the root under pszCatalogName, or,
    // when given, under pszOtherCatalogName.
    bool Matches(LPCWSTR pszName, LPCWSTR pszCatalogName, LPCWSTR pszOtherCatalogName, DWORD cbHigh, DWORD cbLow,
                 DWORD dwAttributes) const
    {
        WCHAR szCandidate[c_cchPath];
        return !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY) && cbHigh == 0 && cbLow == m_cbPackage &&
               JoinStagedPath(m_pszInfFolder, pszName, szCandidate) &&
               FileHasBytes(szCandidate, m_package.Get(), m_cbPackage) &&
               (m_catalog.RootHolds(pszCatalogName) ||
                (pszOtherCatalogName && m_catalog.RootHolds(pszOtherCatalogName)));
    }

private:
    const CHeapBlock& m_package;
    DWORD m_cbPackage;
    const CCatalogCheck& m_catalog;
    LPCWSTR m_pszInfFolder;
};

} // namespace

DWORD FindStagedCopy(LPCWSTR pszFullPath, HINF hInf, CWideString* pstrPublishedName)
{
    CHeapBlock package;
    DWORD cbPackage = 0;
    if (!ReadWholeFile(pszFullPath, &package, &cbPackage)) {
        const DWORD dwError = GetLastError();
        return dwError ? dwError : ERROR_READ_FAULT;
    }
    WCHAR szInfFolder[c_cchPath];
    if (!GetInfFolder(szInfFolder, c_cchPath))
        return ERROR_PATH_NOT_FOUND;
    const CCatalogCheck catalog(pszFullPath, hInf);
    if (!catalog.IsUsable())
        return ERROR_DRIVER_PACKAGE_NOT_IN_STORE;
    const CStagedCopyMatch match(package, cbPackage, catalog, szInfFolder);

    // Where staging keeps the package's own name (Wine): one look, no folder
    // listing. Its catalog then keeps its own name too.
    LPCWSTR pszOwnName = wcsrchr(pszFullPath, L'\\');
    pszOwnName = pszOwnName ? pszOwnName + 1 : pszFullPath;
    WCHAR szOwnCopy[c_cchPath];
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (JoinStagedPath(szInfFolder, pszOwnName, szOwnCopy) && GetFileAttributesExW(szOwnCopy, GetFileExInfoStandard, &data) &&
        match.Matches(pszOwnName, catalog.OwnName(), nullptr, data.nFileSizeHigh, data.nFileSizeLow,
                      data.dwFileAttributes))
        return pstrPublishedName->Assign(pszOwnName) ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;

    WCHAR szPattern[c_cchPath];
    if (!JoinStagedPath(szInfFolder, L"oem*.inf", szPattern))
        return ERROR_PATH_NOT_FOUND;
    WIN32_FIND_DATAW found;
    CFindHandle search(FindFirstFileExW(szPattern, FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                        FIND_FIRST_EX_LARGE_FETCH));
    if (!search.IsValid())
        return ERROR_DRIVER_PACKAGE_NOT_IN_STORE;
    // When two packages share an INF name, Wine names the second copy
    // oemN.inf but keeps its catalog's own name in the root.
    do {
        WCHAR szOemCatalog[MAX_PATH];
        if (OemCatalogName(found.cFileName, szOemCatalog) &&
            match.Matches(found.cFileName, szOemCatalog, catalog.OwnName(), found.nFileSizeHigh, found.nFileSizeLow,
                          found.dwFileAttributes))
            return pstrPublishedName->Assign(found.cFileName) ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
    } while (FindNextFileW(search.Get(), &found));
    return ERROR_DRIVER_PACKAGE_NOT_IN_STORE;
}

bool JoinStagedPath(LPCWSTR pszFolder, LPCWSTR pszName, LPWSTR pszPath)
{
    return JoinBounded(pszFolder, pszName, pszPath, c_cchStagedPath);
}
