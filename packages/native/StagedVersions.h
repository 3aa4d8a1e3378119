#pragma once

#include <windows.h>

#include "inf/DeviceSet.h"
#include "inf/InfIdentity.h"

// What /c does with one staged version of a package, and why.
enum EStagedVersionVerdict
{
    // Older than the package and no device uses it: /c removes it.
    versionSuperseded = 0,
    versionNewer = 1,
    versionSame = 2,
    // Its DriverVer cannot be read, so it cannot be compared.
    versionUnreadable = 3,
    versionExtension = 4,
    versionSoftwareComponent = 5,
    // Older, but a device's driver key names it.
    versionInUse = 6,
};

// A staged version of the package other than its own staged copy.
struct STAGED_VERSION
{
    // Its file name in the Windows INF folder.
    WCHAR szName[MAX_PATH];
    WCHAR szProvider[c_cchIdentityValue];
    // DriverVer as written: date, a comma, version.
    WCHAR szDriverVer[2 * c_cchIdentityValue];
    INT nVerdict;
    // versionInUse: the instance ID of a device that uses it.
    WCHAR szDevice[c_cchInstanceId];
};

// The staged versions of one driver package. A staged INF is a version of
// the package when it has the package's original INF file name (without
// regard to case), its Provider and its ClassGuid. Only OEM copies count:
// oemN.inf, the name Windows gives every staged copy, and, where staging
// keeps a package's own name (a system without a driver store, such as
// Wine), an INF of the package's file name whose catalog lies in the catalog
// root under its own name. The system's own INFs are never among them.
class CStagedVersions
{
public:
    CStagedVersions() = default;
    ~CStagedVersions();
    CStagedVersions(const CStagedVersions&) = delete;
    CStagedVersions& operator=(const CStagedVersions&) = delete;

    // Finds the staged copy of the package at pszFullPath (a resolved and
    // checked path) by its bytes and its catalog, then every other staged
    // version with its verdict; whether a device uses one is judged from
    // every device Windows knows, present or not. 0;
    // ERROR_DRIVER_PACKAGE_NOT_IN_STORE when the package itself is not
    // staged; ERROR_INVALID_DATA when its own DriverVer cannot be read; or
    // the error that stopped the search. Reports nothing.
    DWORD Find(LPCWSTR pszFullPath);

    // The package's own staged copy (its file name) and DriverVer.
    LPCWSTR StagedCopy() const { return m_szStagedCopy; }
    LPCWSTR DriverVer() const { return m_szDriverVer; }
    size_t Count() const { return m_cVersions; }
    const STAGED_VERSION& At(size_t i) const { return m_pVersions[i]; }

private:
    void Examine(LPCWSTR pszInfFolder, LPCWSTR pszName, bool bOwnName);
    bool Add(const STAGED_VERSION& version);
    DWORD FindDevicesInUse();

    INF_IDENTITY m_package = {};
    WCHAR m_szPackageName[MAX_PATH] = {};
    WCHAR m_szStagedCopy[MAX_PATH] = {};
    WCHAR m_szDriverVer[2 * c_cchIdentityValue] = {};
    STAGED_VERSION* m_pVersions = nullptr;
    size_t m_cVersions = 0;
    size_t m_cCapacity = 0;
    bool m_bOutOfMemory = false;
};

// The instance ID of a device whose driver key's InfPath names the staged
// INF pszName, in pszDevice (c_cchInstanceId units): every device Windows
// knows, present or not. 0 with an empty pszDevice when none does, or the
// error that kept the devices from being listed.
DWORD FindDeviceUsing(LPCWSTR pszName, LPWSTR pszDevice);

// True for "oem<N>.inf", the name Windows gives every staged copy.
bool IsOemInfName(LPCWSTR pszName);

// The sizes of the INF folder's oemN.inf files, listed on first use: a /v
// list run checks its packages against one view of the folder.
class CStagedSizes
{
public:
    CStagedSizes() = default;
    ~CStagedSizes();
    CStagedSizes(const CStagedSizes&) = delete;
    CStagedSizes& operator=(const CStagedSizes&) = delete;

    // False when the INF folder holds no file of the package's size under
    // any name its staged copy could have: then it is not staged. No file
    // is read. True also when the folder cannot be listed.
    bool MayHoldCopyOf(LPCWSTR pszFullPath);

private:
    void List(LPCWSTR pszInfFolder);

    bool m_bListed = false;
    bool m_bComplete = false;
    ULONGLONG* m_pcbSizes = nullptr;
    size_t m_cSizes = 0;
};
