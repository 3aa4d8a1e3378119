// /v changes nothing on the machine, and tells about the devices a package
// would reach. Both define or compare devices, so this program holds the
// device lock.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "E2eTexts.h"
#include "ProgramRun.h"
#include "UsbDeviceRegistry.h"
#include "VerifyRun.h"
#include "support/DriverPackages.h"
#include "platform/UniqueHandle.h"
#include "support/TestFiles.h"

namespace {

using Snapshot = std::map<std::wstring, std::string>;

HKEY OpenForReading(HKEY hParent, const std::wstring& strName)
{
    HKEY hKey = nullptr;
    return RegOpenKeyExW(hParent, strName.c_str(), 0, KEY_READ, &hKey) == ERROR_SUCCESS ? hKey : nullptr;
}

// Every key and value below hKey, by path, with type and bytes.
void AddKeyTree(HKEY hKey, const std::wstring& strPath, Snapshot* pSnapshot)
{
    (*pSnapshot)[strPath] = "key";
    WCHAR szName[16384];
    BYTE abData[65536];
    DWORD cchName = ARRAYSIZE(szName), cbData = sizeof(abData), dwType = 0;
    for (DWORD i = 0; RegEnumValueW(hKey, i, szName, &cchName, nullptr, &dwType, abData, &cbData) == ERROR_SUCCESS;
         ++i, cchName = ARRAYSIZE(szName), cbData = sizeof(abData))
        (*pSnapshot)[strPath + L"|" + szName] =
            std::to_string(dwType) + std::string(reinterpret_cast<char*>(abData), cbData);
    for (DWORD i = 0; RegEnumKeyW(hKey, i, szName, ARRAYSIZE(szName)) == ERROR_SUCCESS; ++i) {
        const CRegKey sub(OpenForReading(hKey, szName));
        AddKeyTree(sub.Get(), strPath + L"\\" + szName, pSnapshot);
    }
}

// Every file and folder below strFolder, by path: its size, write time and
// attributes (a copy, a rename or a write shows in them), without reading
// the bytes of the many system files.
void AddFolderTree(const std::wstring& strFolder, const std::wstring& strPath, Snapshot* pSnapshot)
{
    WIN32_FIND_DATAW fd;
    const HANDLE hFind = FindFirstFileW((strFolder + L"\\*").c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring strName = fd.cFileName;
        if (strName == L"." || strName == L"..")
            continue;
        (*pSnapshot)[strPath + L"\\" + strName] =
            std::to_string(fd.dwFileAttributes) + " " + std::to_string(fd.nFileSizeHigh) + ":" +
            std::to_string(fd.nFileSizeLow) + " " + std::to_string(fd.ftLastWriteTime.dwHighDateTime) + ":" +
            std::to_string(fd.ftLastWriteTime.dwLowDateTime);
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            AddFolderTree(strFolder + L"\\" + strName, strPath + L"\\" + strName, pSnapshot);
    } while (FindNextFileW(hFind, &fd));
    FindClose(hFind);
}

// The device registry with the driver and service keys, the INF folder, the
// catalog root and System32 whole (drivers and the driver store included).
Snapshot MachineState();

// The entries that differ between two snapshots, by path.
std::vector<std::wstring> Changes(const Snapshot& before, const Snapshot& after)
{
    std::vector<std::wstring> changes;
    for (const auto& entry : before) {
        if (!after.count(entry.first) || after.at(entry.first) != entry.second)
            changes.push_back(entry.first);
    }
    for (const auto& entry : after) {
        if (!before.count(entry.first))
            changes.push_back(entry.first);
    }
    return changes;
}

const wchar_t c_szClassGuid[] = L"{88BAE032-5A81-49F0-BC3D-A4FF138216D6}";
const wchar_t c_szClassKey[] = L"System\\CurrentControlSet\\Control\\Class\\";

// A driver key of the device that the packages match: what it runs now.
bool DefineCurrentDriver(CRegistryDevice& device, const std::wstring& strKey)
{
    const std::wstring strPath = c_szClassKey + strKey;
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, strPath.c_str());
    HKEY hKey = nullptr;
    if (!device.SetString(L"Driver", strKey) || RegCreateKeyW(HKEY_LOCAL_MACHINE, strPath.c_str(), &hKey))
        return false;
    const CRegKey key(hKey);
    const std::wstring values[][2] = { { L"InfPath", L"oem7.inf" }, { L"ProviderName", L"Earlier Vendor" },
                                       { L"DriverDate", L"5-1-2025" }, { L"DriverVersion", L"9.0" } };
    for (const auto& value : values) {
        if (RegSetValueExW(hKey, value[0].c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value[1].c_str()),
                           static_cast<DWORD>((value[1].size() + 1) * sizeof(WCHAR))))
            return false;
    }
    return true;
}

// One list run of good and bad packages: a verify line each, the device
// they match and its driver named, and the device registry, the INF folder
// and the catalog root as they were.
TEST(VerifyState, ListOfGoodAndBadPackagesChangesNothing)
{
    ASSERT_TRUE(SetTestTrust() && ClearTestDevices());
    CProgramRun run;
    ASSERT_TRUE(run.IsReady() && CopyPackage(L"good", run.File(L"good")) &&
                CopyPackage(L"untrusted", run.File(L"untrusted")) && CopyPackage(L"good", run.File(L"nosys")) &&
                DeleteFileW(run.File(L"nosys\\pkg.sys").c_str()));
    ASSERT_TRUE(run.Write(L"inflist.txt", ";inflist\r\ngood\\pkg.inf\r\nuntrusted\\pkg.inf\r\nnosys\\pkg.inf\r\n"));
    // Installing on this device would write to the registry.
    CRegistryDevice device(L"USB", L"VID_7A7A&PID_7E01");
    // The class GUID in upper case, as Wine's own listing rewrites it.
    ASSERT_TRUE(device.IsDefined() && device.SetString(L"ClassGUID", c_szClassGuid) &&
                device.SetMultiString(L"HardwareID", { L"USB\\VID_7A7A&PID_7E01" }) &&
                DefineCurrentDriver(device, c_szClassGuid + std::wstring(L"\\0907")));

    // Windows always has the catalog root; in a fresh prefix Wine's catalog
    // functions make it on first use, which is not this program's doing.
    const std::wstring strRoot = CatalogRoot();
    CreateDirectoryW(strRoot.substr(0, strRoot.rfind(L'\\')).c_str(), nullptr);
    CreateDirectoryW(CatalogRoot().c_str(), nullptr);
    // Whatever an earlier run put into System32 under the package's own file
    // names goes first: a copy over it would keep its size and time.
    WCHAR szSystem[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(szSystem, MAX_PATH), 0u);
    for (LPCWSTR pszFile : { L"\\pkg.sys", L"\\drivers\\pkg.sys", L"\\pkg.inf", L"\\pkg.cat" })
        DeleteFileW((std::wstring(szSystem) + pszFile).c_str());
    const Snapshot before = MachineState();
    EXPECT_EQ(run.RunToEnd(L"/v /q /e /o run.log", c_msStart), 0x800B0109u);
    EXPECT_EQ(Changes(before, MachineState()), std::vector<std::wstring>());
    const std::vector<VERIFIED_PACKAGE> packages = VerifiedPackages(run, L"run.log");
    ASSERT_EQ(packages.size(), 3u);
    const char* const apszResults[] = { "result 0x00000000", "result 0x800B0109", "result 0x00000002" };
    for (size_t i = 0; i < packages.size(); ++i)
        EXPECT_NE(packages[i].strVerifyLine.find(apszResults[i]), std::string::npos) << packages[i].strVerifyLine;
    // The package's DriverVer is 06/21/2026,2.0.0.1.
    const std::string strInfo = "0x00000000: present device " + Narrow(device.InstanceId()) +
                                " lists USB\\VID_7A7A&PID_7E01; its driver: INF \"oem7.inf\", provider \"Earlier "
                                "Vendor\", DriverVer 5-1-2025,9.0; this package is newer";
    // First the signature's verdict: the test publisher is in TrustedPublisher.
    const std::string strSigned = "0x00000000: \"" + Narrow(run.File(L"good\\pkg.cat")) +
                                  "\" is signed by Tavelin Test Publisher, a publisher trusted on this machine "
                                  "(TrustedPublisher): the package installs quietly";
    EXPECT_EQ(packages[0].infos, (std::vector<std::string>{ strSigned, strInfo }));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(c_szClassKey) + c_szClassGuid + L"\\0907").c_str());
}

Snapshot MachineState()
{
    Snapshot snapshot;
    const CRegKey enumKey(OpenForReading(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Enum"));
    AddKeyTree(enumKey.Get(), L"Enum", &snapshot);
    for (LPCWSTR pszKey : { L"Services", L"Control\\Class" }) {
        const CRegKey key(OpenForReading(HKEY_LOCAL_MACHINE, std::wstring(L"System\\CurrentControlSet\\") + pszKey));
        EXPECT_NE(key.Get(), nullptr) << Narrow(pszKey);
        AddKeyTree(key.Get(), pszKey, &snapshot);
    }
    WCHAR szSystem[MAX_PATH];
    EXPECT_GT(GetSystemDirectoryW(szSystem, MAX_PATH), 0u);
    AddFolderTree(szSystem, L"system32", &snapshot);
    EXPECT_NE(snapshot.count(L"system32\\drivers"), 0u) << "System32 was not listed";
    for (const auto& file : InfFolderFiles())
        snapshot[L"inf\\" + file.first] = file.second;
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW((CatalogRoot() + L"\\*").c_str(), &fd);
    for (BOOL bFound = hFind != INVALID_HANDLE_VALUE; bFound; bFound = FindNextFileW(hFind, &fd))
        snapshot[L"catroot\\" + std::wstring(fd.cFileName)] = ReadFileBytes(CatalogRoot() + L"\\" + fd.cFileName);
    if (hFind != INVALID_HANDLE_VALUE)
        FindClose(hFind);
    return snapshot;
}

} // namespace
