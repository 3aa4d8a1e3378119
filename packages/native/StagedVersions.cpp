#include "packages/native/StagedVersions.h"

#include <cstdlib>
#include <cwchar>

#include "cmdline/OwnedString.h"
#include "inf/InfFile.h"
#include "inf/PackageCatalog.h"
#include "packages/native/PackagePath.h"
#include "packages/native/StagedCopy.h"
#include "platform/UniqueHandle.h"
#include "verify/DriverVersion.h"

namespace {

const size_t c_cchPath = c_cchStagedPath;

// Copies psz into pszDest of cchDest units, cut to fit.
void CopyText(LPWSTR pszDest, size_t cchDest, LPCWSTR psz)
{
    size_t i = 0;
    for (; i + 1 < cchDest && psz[i] != L'\0'; ++i)
        pszDest[i] = psz[i];
    pszDest[i] = L'\0';
}

bool NamesEqual(LPCWSTR pszA, LPCWSTR pszB)
{
    return CompareStringOrdinal(pszA, -1, pszB, -1, TRUE) == CSTR_EQUAL;
}

// A driver key's InfPath names a staged INF by its file name; a path there
// is judged by its last part.
bool InfPathNames(LPCWSTR pszInfPath, LPCWSTR pszName)
{
    LPCWSTR pszLast = wcsrchr(pszInfPath, L'\\');
    return pszInfPath[0] != L'\0' && NamesEqual(pszLast ? pszLast + 1 : pszInfPath, pszName);
}

// The device's instance ID; a device whose ID cannot be read still uses the
// version, and says so.
void ReadInstanceId(const CDeviceSet& devices, SP_DEVINFO_DATA* pDevice, LPWSTR pszDevice)
{
    devices.InstanceId(pDevice, pszDevice);
    if (pszDevice[0] == L'\0')
        CopyText(pszDevice, c_cchInstanceId, L"(a device whose instance ID cannot be read)");
}

// DriverVer as one text, "date,version", within 2 * c_cchIdentityValue units.
void JoinDriverVer(const INF_IDENTITY& identity, LPWSTR pszDriverVer)
{
    const size_t cch = 2 * c_cchIdentityValue;
    CopyText(pszDriverVer, cch, identity.szDriverDate);
    const size_t cchDate = wcslen(pszDriverVer);
    if (identity.szDriverVersion[0] == L'\0' || cchDate + 2 >= cch)
        return;
    pszDriverVer[cchDate] = L',';
    CopyText(pszDriverVer + cchDate + 1, cch - cchDate - 1, identity.szDriverVersion);
}

bool ParseDriverVer(const INF_IDENTITY& identity, DRIVER_VERSION* pVersion)
{
    return ParseDriverDate(identity.szDriverDate, L'/', pVersion) &&
           ParseDriverVersionNumber(identity.szDriverVersion, pVersion);
}

// Staging keeps a package's own INF name only where there is no driver
// store (Wine); Windows names every staged copy oemN.inf, and an INF of
// another name in its INF folder is one of its own.
bool StagingKeepsOwnNames()
{
    WCHAR szStore[MAX_PATH + 16];
    const UINT cch = GetSystemDirectoryW(szStore, MAX_PATH);
    const WCHAR szSuffix[] = L"\\DriverStore";
    if (cch == 0 || cch >= MAX_PATH)
        return false;
    wmemcpy(szStore + cch, szSuffix, ARRAYSIZE(szSuffix));
    return GetFileAttributesW(szStore) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND;
}

// An own-name copy has the catalog it names in the catalog root, under the
// catalog's own name, as staging put it there.
bool CatalogInRoot(HINF hInf)
{
    WCHAR szName[MAX_PATH];
    if (!PackageCatalogName(hInf, szName, ARRAYSIZE(szName)))
        return false;
    LPCWSTR pszOwn = wcsrchr(szName, L'\\');
    pszOwn = pszOwn ? pszOwn + 1 : szName;
    WCHAR szRoot[c_cchPath];
    const UINT cch = GetSystemDirectoryW(szRoot, MAX_PATH);
    const WCHAR szCatRoot[] = L"\\catroot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\";
    if (cch == 0 || cch >= MAX_PATH)
        return false;
    wmemcpy(szRoot + cch, szCatRoot, ARRAYSIZE(szCatRoot));
    WCHAR szPath[c_cchPath];
    if (!JoinStagedPath(szRoot, pszOwn, szPath))
        return false;
    const DWORD dwAttributes = GetFileAttributesW(szPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

bool IsOemInfName(LPCWSTR pszName)
{
    const size_t cch = wcslen(pszName);
    if (cch < 8 || CompareStringOrdinal(pszName, 3, L"oem", 3, TRUE) != CSTR_EQUAL ||
        CompareStringOrdinal(pszName + cch - 4, 4, L".inf", 4, TRUE) != CSTR_EQUAL)
        return false;
    for (size_t i = 3; i < cch - 4; ++i) {
        if (pszName[i] < L'0' || pszName[i] > L'9')
            return false;
    }
    return true;
}

CStagedSizes::~CStagedSizes()
{
    free(m_pcbSizes);
}

void CStagedSizes::List(LPCWSTR pszInfFolder)
{
    m_bListed = true;
    WCHAR szPattern[c_cchPath];
    WIN32_FIND_DATAW found;
    if (!JoinStagedPath(pszInfFolder, L"oem*.inf", szPattern))
        return;
    CFindHandle search(FindFirstFileExW(szPattern, FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                        FIND_FIRST_EX_LARGE_FETCH));
    if (!search.IsValid()) {
        m_bComplete = GetLastError() == ERROR_FILE_NOT_FOUND;
        return;
    }
    size_t cCapacity = 0;
    do {
        if (m_cSizes == cCapacity) {
            cCapacity = cCapacity ? cCapacity * 2 : 64;
            void* pv = realloc(m_pcbSizes, cCapacity * sizeof(ULONGLONG));
            if (!pv)
                return;
            m_pcbSizes = static_cast<ULONGLONG*>(pv);
        }
        m_pcbSizes[m_cSizes++] = (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    } while (FindNextFileW(search.Get(), &found));
    m_bComplete = GetLastError() == ERROR_NO_MORE_FILES;
}

bool CStagedSizes::MayHoldCopyOf(LPCWSTR pszFullPath)
{
    WIN32_FILE_ATTRIBUTE_DATA package;
    WCHAR szInfFolder[c_cchPath];
    WCHAR szPath[c_cchPath];
    if (!GetFileAttributesExW(pszFullPath, GetFileExInfoStandard, &package) || !GetInfFolder(szInfFolder, c_cchPath))
        return true;
    // Wine stages under the package's own name while it is free.
    LPCWSTR pszOwnName = wcsrchr(pszFullPath, L'\\');
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!JoinStagedPath(szInfFolder, pszOwnName ? pszOwnName + 1 : pszFullPath, szPath) ||
        (GetFileAttributesExW(szPath, GetFileExInfoStandard, &data) &&
         data.nFileSizeLow == package.nFileSizeLow && data.nFileSizeHigh == package.nFileSizeHigh))
        return true;
    if (!m_bListed)
        List(szInfFolder);
    if (!m_bComplete)
        return true;
    const ULONGLONG cbPackage = (static_cast<ULONGLONG>(package.nFileSizeHigh) << 32) | package.nFileSizeLow;
    for (size_t i = 0; i < m_cSizes; ++i) {
        if (m_pcbSizes[i] == cbPackage)
            return true;
    }
    return false;
}

CStagedVersions::~CStagedVersions()
{
    free(m_pVersions);
}

bool CStagedVersions::Add(const STAGED_VERSION& version)
{
    if (m_cVersions == m_cCapacity) {
        const size_t cNew = m_cCapacity ? m_cCapacity * 2 : 4;
        void* pv = realloc(m_pVersions, cNew * sizeof(STAGED_VERSION));
        if (!pv)
            return false;
        m_pVersions = static_cast<STAGED_VERSION*>(pv);
        m_cCapacity = cNew;
    }
    m_pVersions[m_cVersions++] = version;
    return true;
}

DWORD CStagedVersions::Find(LPCWSTR pszFullPath)
{
    CInfFile inf;
    DWORD dwResult = OpenPackageInf(pszFullPath, &inf);
    if (dwResult != ERROR_SUCCESS)
        return dwResult;
    CWideString strStaged;
    dwResult = FindStagedCopy(pszFullPath, inf.Get(), &strStaged);
    if (dwResult != ERROR_SUCCESS)
        return dwResult;
    CopyText(m_szStagedCopy, ARRAYSIZE(m_szStagedCopy), strStaged.c_str());
    ReadInfVersionIdentity(inf.Get(), &m_package);
    JoinDriverVer(m_package, m_szDriverVer);
    DRIVER_VERSION version = {};
    if (!ParseDriverVer(m_package, &version))
        return ERROR_INVALID_DATA;
    LPCWSTR pszName = wcsrchr(pszFullPath, L'\\');
    CopyText(m_szPackageName, ARRAYSIZE(m_szPackageName), pszName ? pszName + 1 : pszFullPath);

    WCHAR szInfFolder[c_cchPath];
    if (!GetInfFolder(szInfFolder, c_cchPath))
        return ERROR_PATH_NOT_FOUND;
    if (StagingKeepsOwnNames())
        Examine(szInfFolder, m_szPackageName, true);
    WCHAR szPattern[c_cchPath];
    if (!JoinStagedPath(szInfFolder, L"oem*.inf", szPattern))
        return ERROR_PATH_NOT_FOUND;
    WIN32_FIND_DATAW found;
    CFindHandle search(FindFirstFileExW(szPattern, FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                        FIND_FIRST_EX_LARGE_FETCH));
    if (search.IsValid()) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsOemInfName(found.cFileName))
                Examine(szInfFolder, found.cFileName, false);
        } while (FindNextFileW(search.Get(), &found));
    }
    if (m_bOutOfMemory)
        return ERROR_NOT_ENOUGH_MEMORY;
    return FindDevicesInUse();
}

// Reads one INF of the INF folder and keeps it when it is a version of the
// package. Provider and ClassGuid come first: they are read from the open
// INF, where the original name costs SetupAPI more.
void CStagedVersions::Examine(LPCWSTR pszInfFolder, LPCWSTR pszName, bool bOwnName)
{
    if (NamesEqual(pszName, m_szStagedCopy))
        return;
    WCHAR szPath[c_cchPath];
    CInfFile inf;
    if (!JoinStagedPath(pszInfFolder, pszName, szPath) || OpenPackageInf(szPath, &inf) != ERROR_SUCCESS)
        return;
    INF_IDENTITY identity = {};
    ReadInfVersionIdentity(inf.Get(), &identity);
    if (wcscmp(identity.szProvider, m_package.szProvider) != 0 ||
        !NamesEqual(identity.szClassGuid, m_package.szClassGuid) ||
        !ReadInfOriginalName(inf.Get(), identity.szOriginalName, ARRAYSIZE(identity.szOriginalName)) ||
        !NamesEqual(identity.szOriginalName, m_szPackageName))
        return;
    if (bOwnName && !CatalogInRoot(inf.Get()))
        return;

    STAGED_VERSION staged = {};
    CopyText(staged.szName, ARRAYSIZE(staged.szName), pszName);
    CopyText(staged.szProvider, ARRAYSIZE(staged.szProvider), identity.szProvider);
    JoinDriverVer(identity, staged.szDriverVer);
    DRIVER_VERSION package = {};
    DRIVER_VERSION version = {};
    ParseDriverVer(m_package, &package);
    if (!ParseDriverVer(identity, &version)) {
        staged.nVerdict = versionUnreadable;
    } else {
        const int nOrder = CompareDriverVersions(version, package);
        staged.nVerdict = nOrder > 0                               ? versionNewer
                          : nOrder == 0                            ? versionSame
                          : IsExtensionClass(identity)             ? versionExtension
                          : IsSoftwareComponentClass(identity)     ? versionSoftwareComponent
                                                                   : versionSuperseded;
    }
    if (!Add(staged))
        m_bOutOfMemory = true;
}

namespace {

// Visits every device Windows knows, present or not, with the staged INF
// its driver key names, until visit returns false.
template <typename TVisit>
DWORD ForEachDriverInf(TVisit visit)
{
    CDeviceSet devices;
    const DWORD dwError = devices.Open(false);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    SP_DEVINFO_DATA device;
    for (DWORD dwIndex = 0; devices.Get(dwIndex, &device); ++dwIndex) {
        WCHAR szInf[c_cchDriverInf];
        devices.DriverInf(&device, szInf);
        if (!visit(devices, &device, szInf))
            break;
    }
    return ERROR_SUCCESS;
}

} // namespace

// One look at every device for all superseded versions at once.
DWORD CStagedVersions::FindDevicesInUse()
{
    bool bAny = false;
    for (size_t i = 0; i < m_cVersions; ++i)
        bAny = bAny || m_pVersions[i].nVerdict == versionSuperseded;
    if (!bAny)
        return ERROR_SUCCESS;
    return ForEachDriverInf([&](const CDeviceSet& devices, SP_DEVINFO_DATA* pDevice, LPCWSTR pszInf) {
        for (size_t i = 0; i < m_cVersions; ++i) {
            STAGED_VERSION& staged = m_pVersions[i];
            if (staged.nVerdict == versionSuperseded && InfPathNames(pszInf, staged.szName)) {
                staged.nVerdict = versionInUse;
                ReadInstanceId(devices, pDevice, staged.szDevice);
            }
        }
        return true;
    });
}

DWORD FindDeviceUsing(LPCWSTR pszName, LPWSTR pszDevice)
{
    pszDevice[0] = L'\0';
    return ForEachDriverInf([&](const CDeviceSet& devices, SP_DEVINFO_DATA* pDevice, LPCWSTR pszInf) {
        if (!InfPathNames(pszInf, pszName))
            return true;
        ReadInstanceId(devices, pDevice, pszDevice);
        return false;
    });
}
