// /v changes nothing on the machine, and tells about the devices a package
// would reach. Both define or compare devices, so this program holds the
// device lock.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/DriverPackages.h"
#include "E2eTexts.h"
#include "ProgramRun.h"
#include "UsbDeviceRegistry.h"
#include "VerifyRun.h"
#include "support/TestFiles.h"

namespace {

using Snapshot = std::map<std::wstring, std::string>;

// Every key and value below hKey, by path, with type and bytes.
void AddKeyTree(HKEY hKey, const std::wstring& strPath, Snapshot* pSnapshot)
{
    (*pSnapshot)[strPath] = "key";
    WCHAR szName[16384];
    BYTE abData[65536];
    for (DWORD i = 0;; ++i) {
        DWORD cchName = ARRAYSIZE(szName);
        DWORD cbData = sizeof(abData);
        DWORD dwType = 0;
        if (RegEnumValueW(hKey, i, szName, &cchName, nullptr, &dwType, abData, &cbData) != ERROR_SUCCESS)
            break;
        (*pSnapshot)[strPath + L"|" + szName] =
            std::to_string(dwType) + ":" + std::string(reinterpret_cast<char*>(abData), cbData);
    }
    for (DWORD i = 0;; ++i) {
        DWORD cchName = ARRAYSIZE(szName);
        if (RegEnumKeyExW(hKey, i, szName, &cchName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY hSub = nullptr;
        if (RegOpenKeyExW(hKey, szName, 0, KEY_READ, &hSub) == ERROR_SUCCESS) {
            AddKeyTree(hSub, strPath + L"\\" + szName, pSnapshot);
            RegCloseKey(hSub);
        }
    }
}

Snapshot MachineState()
{
    Snapshot snapshot;
    HKEY hEnum = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Enum", 0, KEY_READ, &hEnum) ==
        ERROR_SUCCESS) {
        AddKeyTree(hEnum, L"Enum", &snapshot);
        RegCloseKey(hEnum);
    }
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

// The entries that differ, by path, for a readable failure.
std::vector<std::string> Changes(const Snapshot& before, const Snapshot& after)
{
    std::vector<std::string> changes;
    for (const auto& entry : before) {
        const auto it = after.find(entry.first);
        if (it == after.end() || it->second != entry.second)
            changes.push_back((it == after.end() ? "gone: " : "changed: ") + Narrow(entry.first));
    }
    for (const auto& entry : after) {
        if (!before.count(entry.first))
            changes.push_back("new: " + Narrow(entry.first));
    }
    return changes;
}

TEST(VerifyState, ListOfGoodAndBadPackagesChangesNothing)
{
    ASSERT_TRUE(SetTestTrust());
    ASSERT_TRUE(ClearTestDevices());
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(CopyPackage(L"good", run.File(L"good")) && CopyPackage(L"untrusted", run.File(L"untrusted")) &&
                CopyPackage(L"good", run.File(L"nosys")) && DeleteFileW(run.File(L"nosys\\pkg.sys").c_str()));
    ASSERT_TRUE(run.Write(L"inflist.txt", ";inflist\r\ngood\\pkg.inf\r\nuntrusted\\pkg.inf\r\nnosys\\pkg.inf\r\n"));
    // A device the good package matches: its installation would write to
    // the registry.
    CRegistryDevice device(L"USB", L"VID_7A7A&PID_7E01");
    ASSERT_TRUE(device.IsDefined());
    ASSERT_TRUE(device.SetString(L"ClassGUID", L"{88BAE032-5A81-49F0-BC3D-A4FF138216D6}") &&
                device.SetMultiString(L"HardwareID", { L"USB\\VID_7A7A&PID_7E01" }));

    const Snapshot before = MachineState();
    EXPECT_EQ(run.RunToEnd(L"/v /q /e /o run.log", c_msStart), 0x800B0109u);
    EXPECT_EQ(Changes(before, MachineState()), std::vector<std::string>());

    const std::vector<VERIFIED_PACKAGE> packages = VerifiedPackages(LogLines(run, L"run.log"));
    ASSERT_EQ(packages.size(), 3u);
    EXPECT_NE(packages[0].strVerifyLine.find("result 0x00000000"), std::string::npos);
    EXPECT_NE(packages[1].strVerifyLine.find("result 0x800B0109"), std::string::npos);
    EXPECT_NE(packages[2].strVerifyLine.find("result 0x00000002"), std::string::npos);
    EXPECT_TRUE(run.Journal().empty());
}

struct CurrentDriver
{
    const char* pszInstance;
    const wchar_t* pszDate; // null: the device has no driver
    const wchar_t* pszVersion;
    const char* pszVerdict;
};

// The package's DriverVer is 06/21/2026,2.0.0.1; date first, then version.
TEST(VerifyState, PresentDevicesWithTheirDriversAndHowThePackageCompares)
{
    ASSERT_TRUE(SetTestTrust());
    ASSERT_TRUE(ClearTestDevices());
    const CurrentDriver drivers[] = {
        { "1", L"5-1-2025", L"9.0.0.0", "this package is newer" },
        { "2", L"6-21-2026", L"2.0.0.1", "this package is the same" },
        { "3", L"6-21-2026", L"2.0.0.2", "this package is older" },
        { "4", nullptr, nullptr, "it has no driver yet" },
    };
    const std::wstring strClass = L"System\\CurrentControlSet\\Control\\Class\\{88BAE032-5A81-49f0-BC3D-A4FF138216D6}";
    std::vector<std::unique_ptr<CRegistryDevice>> devices;
    for (const CurrentDriver& d : drivers) {
        const std::wstring strKey = strClass + L"\\09" + Widen(d.pszInstance);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, strKey.c_str());
        devices.emplace_back(new CRegistryDevice(L"USB", L"VID_7A7A&PID_7E01", L"9&7E01&" + Widen(d.pszInstance)));
        CRegistryDevice& device = *devices.back();
        ASSERT_TRUE(device.IsDefined());
        ASSERT_TRUE(device.SetString(L"ClassGUID", L"{88BAE032-5A81-49F0-BC3D-A4FF138216D6}") &&
                    device.SetMultiString(L"HardwareID", { L"USB\\VID_7A7A&PID_7E01" }));
        if (!d.pszDate)
            continue;
        ASSERT_TRUE(device.SetString(L"Driver", L"{88BAE032-5A81-49f0-BC3D-A4FF138216D6}\\09" + Widen(d.pszInstance)));
        HKEY hKey = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hKey,
                                  nullptr),
                  ERROR_SUCCESS);
        for (const auto& value : std::map<std::wstring, std::wstring>{ { L"InfPath", L"oem7.inf" },
                                                                       { L"ProviderName", L"Earlier Vendor" },
                                                                       { L"DriverDate", d.pszDate },
                                                                       { L"DriverVersion", d.pszVersion } })
            RegSetValueExW(hKey, value.first.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.second.c_str()),
                           static_cast<DWORD>((value.second.size() + 1) * sizeof(WCHAR)));
        RegCloseKey(hKey);
    }
    CProgramRun run;
    ASSERT_TRUE(run.IsReady() && CopyPackage(L"good", run.File(L"good")));
    EXPECT_EQ(run.RunToEnd(L"/v /q /e /s good\\pkg.inf /o run.log", c_msStart), 0u);
    const std::vector<VERIFIED_PACKAGE> packages = VerifiedPackages(LogLines(run, L"run.log"));
    ASSERT_EQ(packages.size(), 1u);
    for (const CurrentDriver& d : drivers) {
        const std::string strDevice = "present device USB\\VID_7A7A&PID_7E01\\9&7E01&" + std::string(d.pszInstance) +
                                      " lists USB\\VID_7A7A&PID_7E01; ";
        const std::string strDriver =
            d.pszDate ? "its driver: INF \"oem7.inf\", provider \"Earlier Vendor\", DriverVer " + Narrow(d.pszDate) +
                            "," + Narrow(d.pszVersion) + "; "
                      : "";
        const std::string strExpected = "0x00000000: " + strDevice + strDriver + d.pszVerdict;
        EXPECT_NE(std::find(packages[0].infos.begin(), packages[0].infos.end(), strExpected), packages[0].infos.end())
            << strExpected;
    }
    devices.clear();
    for (const CurrentDriver& d : drivers)
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (strClass + L"\\09" + Widen(d.pszInstance)).c_str());
}

} // namespace
