// The native provider's package calls in this process, against Wine's real
// SetupAPI, the prefix's INF folder and registry-defined devices: the codes
// it gives, what it refuses to touch, and what Wine lacks or ignores (the
// DiUninstallDriverW branch, the install's flags) through stand-ins.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include <windows.h>
#include <newdev.h>

#include "packages/native/NativeDriverInstall.h"
#include "packages/native/NativeSetupApi.h"
#include "support/DriverPackages.h"
#include "support/TestFiles.h"
#include "UsbDeviceRegistry.h"

namespace {

DRIVER_INSTALL_API Native()
{
    DRIVER_INSTALL_API api = {};
    GetNativeDriverInstallApi(&api);
    return api;
}

struct LOGGED
{
    DIFXAPI_LOG type;
    DWORD dwCode;
    std::string strText;
};

void __cdecl Record(DIFXAPI_LOG type, DWORD dwCode, PCWSTR pszText, PVOID pvContext)
{
    static_cast<std::vector<LOGGED>*>(pvContext)->push_back({ type, dwCode, Narrow(pszText) });
}

// Runs in a scratch folder of its own, as the program runs in its current one.
class NativeCalls : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GetCurrentDirectoryW(MAX_PATH, m_szPrevious);
        ASSERT_TRUE(SetCurrentDirectoryW(m_folder.Path().c_str()));
        Native().pfnSetLogCallback(&Record, &m_events);
    }
    void TearDown() override
    {
        Native().pfnSetLogCallback(nullptr, nullptr);
        SetCurrentDirectoryW(m_szPrevious);
    }

    CScratchDir m_folder;
    WCHAR m_szPrevious[MAX_PATH] = {};
    std::vector<LOGGED> m_events;
};

TEST_F(NativeCalls, BrokenPackagesFailWithACodeAndStageNothing)
{
    for (LPCWSTR pszName : { L"tvcall-garbage", L"tvcall-nocat" })
        ForgetStagedPackage(pszName);
    ASSERT_TRUE(WriteFileBytes(m_folder.File(L"tvcall-garbage.inf"), "[Version\r\n\x01\x02\xff"));
    ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvcall-nocat", L"USB\\VID_F055&PID_0E30", false));
    const auto before = InfFolderFiles();

    struct
    {
        LPCWSTR pszPath;
        DWORD dwExpected; // 0: any failure
    } cases[] = {
        { L"absent.inf", ERROR_FILE_NOT_FOUND },
        { L"", ERROR_FILE_NOT_FOUND },
        { L"tvcall-garbage.inf", 0 },
        { L"tvcall-nocat.inf", 0 },
    };
    BOOL bReboot = FALSE;
    for (const auto& c : cases) {
        const DWORD adwResults[] = {
            Native().pfnPreinstall(c.pszPath, DRIVER_PACKAGE_REPAIR | DRIVER_PACKAGE_FORCE),
            Native().pfnInstall(c.pszPath, DRIVER_PACKAGE_REPAIR, nullptr, &bReboot),
            Native().pfnUninstall(c.pszPath, DRIVER_PACKAGE_FORCE, nullptr, &bReboot),
        };
        for (DWORD dwResult : adwResults) {
            EXPECT_NE(dwResult, 0u) << Narrow(c.pszPath);
            if (c.dwExpected) {
                EXPECT_EQ(dwResult, c.dwExpected) << Narrow(c.pszPath);
            }
        }
    }
    EXPECT_EQ(InfFolderFiles(), before);
    EXPECT_FALSE(bReboot);
    ASSERT_FALSE(m_events.empty());
    EXPECT_EQ(m_events.back().type, DIFXAPI_ERROR) << "each failure says why";
}

TEST_F(NativeCalls, AnInfInTheWindowsInfFolderIsNeverActedOn)
{
    // However it is named: in full, or relative to the current folder.
    const auto before = InfFolderFiles();
    ASSERT_NE(before.count(L"WINEUSB.INF"), 0u);
    BOOL bReboot = FALSE;
    EXPECT_EQ(Native().pfnUninstall((InfFolder() + L"\\wineusb.inf").c_str(), 0, nullptr, &bReboot),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ASSERT_TRUE(SetCurrentDirectoryW(InfFolder().c_str()));
    EXPECT_EQ(Native().pfnUninstall(L"wineusb.inf", 0, nullptr, &bReboot), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Native().pfnPreinstall(L".\\WINEUSB.INF", 0), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(InfFolderFiles(), before);
}

TEST_F(NativeCalls, APackageInTheDriverStoreIsNeverActedOn)
{
    // A Wine prefix has none: this one lives as long as the test.
    WCHAR szSystem[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(szSystem, MAX_PATH), 0u);
    const std::wstring strStore = std::wstring(szSystem) + L"\\DriverStore";
    const std::wstring strFolder = strStore + L"\\tvcall-store";
    DeleteFileW((strFolder + L"\\tvcall-store.inf").c_str());
    DeleteFileW((strFolder + L"\\tvcall-store.cat").c_str());
    RemoveDirectoryW(strFolder.c_str());
    const bool bStoreExisted = !CreateDirectoryW(strStore.c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(strFolder.c_str(), nullptr));
    ASSERT_TRUE(WritePackage(strFolder, L"tvcall-store", L"USB\\VID_F055&PID_0E34"));
    const auto before = InfFolderFiles();

    BOOL bReboot = FALSE;
    EXPECT_EQ(Native().pfnPreinstall((strFolder + L"\\tvcall-store.inf").c_str(), 0),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Native().pfnUninstall((strFolder + L"\\.\\TVCALL-STORE.INF").c_str(), 0, nullptr, &bReboot),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(InfFolderFiles(), before);
    DeleteFileW((strFolder + L"\\tvcall-store.inf").c_str());
    DeleteFileW((strFolder + L"\\tvcall-store.cat").c_str());
    RemoveDirectoryW(strFolder.c_str());
    if (!bStoreExisted)
        RemoveDirectoryW(strStore.c_str());
}

const DEVINST c_devRoot = 0x7A7A;
std::vector<std::pair<DEVINST, ULONG>> g_reenumerations;

CONFIGRET WINAPI FakeLocateRoot(PDEVINST pdnRoot, DEVINSTID_W pszId, ULONG ulFlags)
{
    *pdnRoot = pszId == nullptr && ulFlags == CM_LOCATE_DEVNODE_NORMAL ? c_devRoot : 0;
    return CR_SUCCESS;
}

CONFIGRET WINAPI FakeReenumerate(DEVINST dnDevInst, ULONG ulFlags)
{
    g_reenumerations.emplace_back(dnDevInst, ulFlags);
    return CR_SUCCESS;
}

TEST_F(NativeCalls, UninstallFindsOnlyACopyWithThePackagesBytes)
{
    ForgetStagedPackage(L"tvcall-same");
    ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvcall-same", L"USB\\VID_F055&PID_0E31"));
    BOOL bReboot = FALSE;
    // Never staged: DIFx's "not in store".
    EXPECT_EQ(Native().pfnUninstall(L"tvcall-same.inf", 0, nullptr, &bReboot), 0xE0000302u);

    ASSERT_EQ(Native().pfnPreinstall(L"tvcall-same.inf", 0), 0u);
    const std::string strStaged = ReadFileBytes(m_folder.File(L"tvcall-same.inf"));
    ASSERT_EQ(CountCopiesInInfFolder(strStaged), 1);
    // The same name with other bytes is another package: its copy stays.
    ASSERT_TRUE(WriteFileBytes(m_folder.File(L"tvcall-same.inf"), strStaged + "; changed\r\n"));
    EXPECT_EQ(Native().pfnUninstall(L"tvcall-same.inf", 0, nullptr, &bReboot), 0xE0000302u);
    EXPECT_EQ(CountCopiesInInfFolder(strStaged), 1);
    // So is the same INF with another catalog.
    ASSERT_TRUE(WriteFileBytes(m_folder.File(L"tvcall-same.inf"), strStaged));
    ASSERT_TRUE(WriteFileBytes(m_folder.File(L"tvcall-same.cat"), "another catalog"));
    EXPECT_EQ(Native().pfnUninstall(L"tvcall-same.inf", 0, nullptr, &bReboot), 0xE0000302u);
    EXPECT_EQ(CountCopiesInInfFolder(strStaged), 1);

    // Afterwards the devices are looked for again from the root, waiting
    // for the end; where that fails (Wine cannot find the root) the package
    // is gone all the same, and a warning says so.
    ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvcall-same", L"USB\\VID_F055&PID_0E31"));
    m_events.clear();
    EXPECT_EQ(Native().pfnUninstall(L"tvcall-same.inf", 0, nullptr, &bReboot), 0u);
    EXPECT_EQ(CountCopiesInInfFolder(strStaged), 0);
    ASSERT_GE(m_events.size(), 2u);
    EXPECT_EQ(m_events[m_events.size() - 2].type, DIFXAPI_WARNING);

    ASSERT_EQ(Native().pfnPreinstall(L"tvcall-same.inf", 0), 0u);
    const NATIVE_SETUP_API saved = NativeSetupApi();
    NativeSetupApi().pfnCM_Locate_DevNodeW = FakeLocateRoot;
    NativeSetupApi().pfnCM_Reenumerate_DevNode = FakeReenumerate;
    g_reenumerations.clear();
    m_events.clear();
    EXPECT_EQ(Native().pfnUninstall(L"tvcall-same.inf", 0, nullptr, &bReboot), 0u);
    NativeSetupApi() = saved;
    EXPECT_EQ(CountCopiesInInfFolder(strStaged), 0);
    EXPECT_EQ(g_reenumerations, (std::vector<std::pair<DEVINST, ULONG>>{ { c_devRoot, CM_REENUMERATE_SYNCHRONOUS } }));
    for (const auto& e : m_events)
        EXPECT_NE(e.type, DIFXAPI_WARNING) << e.strText;
    ForgetStagedPackage(L"tvcall-same");
}

TEST_F(NativeCalls, StagingIsReportedThroughTheLogCallback)
{
    ForgetStagedPackage(L"tvcall-log");
    ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvcall-log", L"USB\\VID_F055&PID_0E32"));
    ASSERT_EQ(Native().pfnPreinstall(L"tvcall-log.inf", DRIVER_PACKAGE_SILENT), 0u);
    ASSERT_EQ(m_events.size(), 2u);
    EXPECT_EQ(m_events[0].type, DIFXAPI_INFO);
    // Paths in quotes: a file name cannot pass for the rest of the line.
    EXPECT_EQ(m_events[0].strText, "Staged \"" + Narrow(m_folder.File(L"tvcall-log.inf")) + "\" as \"" +
                                       Narrow(InfFolder()) + "\\tvcall-log.inf\"");
    EXPECT_EQ(m_events[1].type, DIFXAPI_SUCCESS);
    ForgetStagedPackage(L"tvcall-log");
}

// Windows 10 1703 and later export DiUninstallDriverW; Wine does not, so its
// branch runs against stand-ins injected into the provider's call table.
struct DI_UNINSTALL_CALL
{
    HWND hwnd;
    std::wstring strPath;
    DWORD dwFlags;
    bool bRebootPointer;
};
std::vector<DI_UNINSTALL_CALL> g_diCalls;
DWORD g_dwDiError = 0;
int g_nFallbackCalls = 0;

BOOL WINAPI FakeDiUninstallDriverW(HWND hwnd, LPCWSTR pszInfPath, DWORD dwFlags, PBOOL pbNeedReboot)
{
    g_diCalls.push_back({ hwnd, pszInfPath, dwFlags, pbNeedReboot != nullptr });
    if (g_dwDiError) {
        SetLastError(g_dwDiError);
        return FALSE;
    }
    *pbNeedReboot = TRUE;
    return TRUE;
}

BOOL WINAPI FakeSetupUninstallOEMInfW(PCWSTR, DWORD, PVOID)
{
    ++g_nFallbackCalls;
    return TRUE;
}

TEST_F(NativeCalls, DiUninstallDriverIsUsedWhereWindowsHasIt)
{
    ForgetStagedPackage(L"tvcall-di");
    ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvcall-di", L"USB\\VID_F055&PID_0E33"));
    ASSERT_EQ(Native().pfnPreinstall(L"tvcall-di.inf", DRIVER_PACKAGE_SILENT), 0u);
    const NATIVE_SETUP_API saved = NativeSetupApi();
    NativeSetupApi().pfnDiUninstallDriverW = FakeDiUninstallDriverW;
    NativeSetupApi().pfnSetupUninstallOEMInfW = FakeSetupUninstallOEMInfW;
    g_diCalls.clear();
    g_nFallbackCalls = 0;

    // What it says for a package the store does not hold is DIFx's "not in
    // store"; other failures keep their code.
    const struct
    {
        DWORD dwFakeError;
        DWORD dwExpected;
        BOOL bReboot;
    } cases[] = {
        { 0, 0, TRUE },
        { 0xE000023D, 0xE000023D, FALSE },
        { ERROR_FILE_NOT_FOUND, 0xE0000302, FALSE },
        { ERROR_NOT_FOUND, 0xE0000302, FALSE },
        { ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, FALSE },
    };
    for (const auto& c : cases) {
        g_dwDiError = c.dwFakeError;
        BOOL bReboot = FALSE;
        EXPECT_EQ(Native().pfnUninstall(L"tvcall-di.inf", DRIVER_PACKAGE_FORCE, nullptr, &bReboot), c.dwExpected)
            << c.dwFakeError;
        EXPECT_EQ(bReboot, c.bReboot) << c.dwFakeError;
    }
    // A package without a staged copy is not in the store: nothing is asked.
    ForgetStagedPackage(L"tvcall-di");
    BOOL bReboot = FALSE;
    EXPECT_EQ(Native().pfnUninstall(L"tvcall-di.inf", DRIVER_PACKAGE_FORCE, nullptr, &bReboot), 0xE0000302u);
    NativeSetupApi() = saved;

    ASSERT_EQ(g_diCalls.size(), ARRAYSIZE(cases));
    for (const auto& call : g_diCalls) {
        EXPECT_EQ(call.hwnd, nullptr);
        // The staged copy that the search matched, never the package's own
        // path, which a user may be able to swap.
        EXPECT_EQ(call.strPath, InfFolder() + L"\\tvcall-di.inf");
        EXPECT_EQ(call.dwFlags, 0u);
        EXPECT_TRUE(call.bRebootPointer);
    }
    EXPECT_EQ(g_nFallbackCalls, 0);
}

// Wine's UpdateDriverForPlugAndPlayDevicesW ignores its flags and installs
// anyway: the calls the install makes are recorded by a stand-in that
// changes no driver, and answers as the case says.
struct UPDATE_CALL
{
    std::wstring strId;
    DWORD dwFlags;
};
std::vector<UPDATE_CALL> g_updateCalls;
DWORD g_dwUpdateError = 0;

BOOL WINAPI FakeUpdateDriver(HWND, LPCWSTR pszId, LPCWSTR, DWORD dwFlags, PBOOL)
{
    g_updateCalls.push_back({ pszId, dwFlags });
    SetLastError(g_dwUpdateError);
    return g_dwUpdateError == 0;
}

const wchar_t c_szClass[] = L"{6f3b2c10-58a4-4c8e-9d1e-3a7b5e2f0a11}";
const std::wstring c_strClassKey = std::wstring(L"System\\CurrentControlSet\\Control\\Class\\") + c_szClass;
const std::wstring c_strCompat = L"USB\\Class_F0&SubClass_55";

// A present device USB\VID_F055&PID_<pid> that lists the compatible ID above
// and, unless pszInf is null, has a driver key whose InfPath is pszInf.
struct CDriverDevice
{
    CDriverDevice(const std::wstring& strPid, LPCWSTR pszInf)
        : m_device(L"USB", L"VID_F055&PID_" + strPid)
    {
        const std::wstring strDriver = c_strClassKey + L"\\99" + strPid;
        m_bReady = m_device.IsDefined() && m_device.SetMultiString(L"HardwareID", { L"USB\\VID_F055&PID_" + strPid }) &&
                   m_device.SetMultiString(L"CompatibleIDs", { c_strCompat }) &&
                   (!pszInf || (m_device.SetString(L"Driver", std::wstring(c_szClass) + L"\\99" + strPid) &&
                                RegSetKeyValueW(HKEY_LOCAL_MACHINE, strDriver.c_str(), L"InfPath", REG_SZ, pszInf,
                                                static_cast<DWORD>((wcslen(pszInf) + 1) * sizeof(WCHAR))) == 0));
    }

    CRegistryDevice m_device;
    bool m_bReady = false;
};

TEST_F(NativeCalls, InstallNeverForcesOverAnotherDriver)
{
    // The package names the hardware ID of device 0E40 and the compatible ID
    // that every device lists; the stand-in changes no driver.
    const std::wstring strHw = L"USB\\VID_F055&PID_0E40";
    const DWORD dwQuiet = INSTALLFLAG_NONINTERACTIVE;
    const struct
    {
        const char* pszName;
        std::vector<std::pair<LPCWSTR, LPCWSTR>> devices; // PID, InfPath
        DWORD dwFakeError;
        std::vector<UPDATE_CALL> calls;
        DWORD dwExpected;
    } cases[] = {
        { "a device on another driver: no force, and it keeps that driver", { { L"0E40", L"other.inf" } }, 0,
          { { strHw, dwQuiet } }, ERROR_NO_MORE_ITEMS },
        { "the system says the driver is better", { { L"0E40", nullptr } }, ERROR_NO_MORE_ITEMS, { { strHw, dwQuiet } },
          ERROR_NO_MORE_ITEMS },
        { "one call reaches a device that lists both IDs and one that lists one",
          { { L"0E40", nullptr }, { L"0E41", nullptr } }, 0, { { c_strCompat, dwQuiet } }, ERROR_NO_MORE_ITEMS },
        { "a device on this package's copy is reinstalled with force", { { L"0E40", L"tvcall-ins.inf" } }, 0,
          { { strHw, INSTALLFLAG_FORCE | dwQuiet } }, 0 },
        { "but not while another device that the call reaches has another driver",
          { { L"0E40", L"tvcall-ins.inf" }, { L"0E42", L"other.inf" } }, 0, { { c_strCompat, dwQuiet } }, 0 },
        { "no present device", {}, 0, {}, 0xE000020B },
    };
    ForgetStagedPackage(L"tvcall-ins");
    ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvcall-ins", strHw + L", " + c_strCompat));
    const NATIVE_SETUP_API saved = NativeSetupApi();
    NativeSetupApi().pfnUpdateDriverForPlugAndPlayDevicesW = FakeUpdateDriver;
    for (const auto& c : cases) {
        for (LPCWSTR pszPid : { L"0E40", L"0E41", L"0E42" })
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(L"System\\CurrentControlSet\\Enum\\USB\\VID_F055&PID_") +
                                                pszPid).c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, c_strClassKey.c_str());
        std::vector<std::unique_ptr<CDriverDevice>> devices;
        for (const auto& d : c.devices) {
            devices.push_back(std::make_unique<CDriverDevice>(d.first, d.second));
            ASSERT_TRUE(devices.back()->m_bReady) << c.pszName;
        }
        g_updateCalls.clear();
        g_dwUpdateError = c.dwFakeError;
        BOOL bReboot = FALSE;
        EXPECT_EQ(Native().pfnInstall(L"tvcall-ins.inf", DRIVER_PACKAGE_REPAIR | DRIVER_PACKAGE_SILENT, nullptr,
                                      &bReboot),
                  c.dwExpected)
            << c.pszName;
        ASSERT_EQ(g_updateCalls.size(), c.calls.size()) << c.pszName;
        for (size_t i = 0; i < c.calls.size(); ++i) {
            EXPECT_EQ(g_updateCalls[i].strId, c.calls[i].strId) << c.pszName;
            EXPECT_EQ(g_updateCalls[i].dwFlags, c.calls[i].dwFlags) << c.pszName;
        }
    }

    // Without newdev.dll the install fails with the load's code, before it
    // stages anything.
    ForgetStagedPackage(L"tvcall-ins");
    NativeSetupApi().pfnUpdateDriverForPlugAndPlayDevicesW = nullptr;
    NativeSetupApi().dwNewdevError = ERROR_MOD_NOT_FOUND;
    BOOL bReboot = FALSE;
    EXPECT_EQ(Native().pfnInstall(L"tvcall-ins.inf", DRIVER_PACKAGE_REPAIR, nullptr, &bReboot),
              static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(CountCopiesInInfFolder(ReadFileBytes(m_folder.File(L"tvcall-ins.inf"))), 0);
    NativeSetupApi() = saved;
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, c_strClassKey.c_str());
    ForgetStagedPackage(L"tvcall-ins");
}

// Present devices whose hardware IDs are the package's first ID (1), its
// second (2) or both (3), with a driver key naming pszInf unless it is null.
const std::wstring c_strFirst = L"USB\\VID_F055&PID_0E51";
const std::wstring c_strSecond = L"USB\\VID_F055&PID_0E52";
const LPCWSTR c_rgpszPids[] = { L"0E5A", L"0E5B", L"0E5C" };

using DeviceList = std::vector<std::unique_ptr<CRegistryDevice>>;
bool DefineDevices(const std::vector<std::pair<int, LPCWSTR>>& shapes, DeviceList* pDevices)
{
    for (LPCWSTR pszPid : c_rgpszPids)
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"System\\CurrentControlSet\\Enum\\USB\\VID_F055&PID_" +
                                            std::wstring(pszPid)).c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, c_strClassKey.c_str());
    pDevices->clear();
    for (size_t i = 0; i < shapes.size(); ++i) {
        const std::wstring strPid = c_rgpszPids[i];
        const LPCWSTR pszInf = shapes[i].second;
        pDevices->push_back(std::make_unique<CRegistryDevice>(L"USB", L"VID_F055&PID_" + strPid));
        CRegistryDevice& d = *pDevices->back();
        const int nIds = shapes[i].first;
        if (!d.IsDefined() || !(nIds == 3   ? d.SetMultiString(L"HardwareID", { c_strFirst, c_strSecond })
                                : nIds == 1 ? d.SetMultiString(L"HardwareID", { c_strFirst })
                                            : d.SetMultiString(L"HardwareID", { c_strSecond })))
            return false;
        const std::wstring strDriver = c_strClassKey + L"\\99" + strPid;
        if (pszInf && (!d.SetString(L"Driver", std::wstring(c_szClass) + L"\\99" + strPid) ||
                       RegSetKeyValueW(HKEY_LOCAL_MACHINE, strDriver.c_str(), L"InfPath", REG_SZ, pszInf,
                                       static_cast<DWORD>((wcslen(pszInf) + 1) * sizeof(WCHAR))) != 0))
            return false;
    }
    return true;
}

// Devices A (both IDs), B (the first) and C (the second): every one is
// reached, by as few calls as that allows; only a reinstall is forced.
TEST_F(NativeCalls, EveryMatchingDeviceIsReachedByTheFewestCalls)
{
    const DWORD dwQuiet = INSTALLFLAG_NONINTERACTIVE;
    const DWORD dwForce = INSTALLFLAG_FORCE | INSTALLFLAG_NONINTERACTIVE;
    const LPCWSTR pszCopy = L"tvcall-two.inf";
    const struct
    {
        std::vector<std::pair<int, LPCWSTR>> devices; // IDs, InfPath
        std::vector<UPDATE_CALL> calls;
    } cases[] = {
        { { { 3, nullptr }, { 1, nullptr }, { 2, nullptr } }, { { c_strFirst, dwQuiet }, { c_strSecond, dwQuiet } } },
        { { { 3, nullptr }, { 2, nullptr } }, { { c_strSecond, dwQuiet } } },
        { { { 3, pszCopy }, { 1, pszCopy }, { 2, pszCopy } }, { { c_strFirst, dwForce }, { c_strSecond, dwForce } } },
        { { { 3, pszCopy }, { 1, pszCopy }, { 2, L"other.inf" } }, { { c_strFirst, dwForce }, { c_strSecond, dwQuiet } } },
    };
    ForgetStagedPackage(L"tvcall-two");
    ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvcall-two", c_strFirst + L", " + c_strSecond));
    const NATIVE_SETUP_API saved = NativeSetupApi();
    NativeSetupApi().pfnUpdateDriverForPlugAndPlayDevicesW = FakeUpdateDriver;
    DeviceList devices;
    for (size_t iCase = 0; iCase < ARRAYSIZE(cases); ++iCase) {
        ASSERT_TRUE(DefineDevices(cases[iCase].devices, &devices)) << iCase;
        g_updateCalls.clear();
        g_dwUpdateError = 0;
        m_events.clear();
        BOOL bReboot = FALSE;
        Native().pfnInstall(L"tvcall-two.inf", DRIVER_PACKAGE_REPAIR | DRIVER_PACKAGE_SILENT, nullptr, &bReboot);
        ASSERT_EQ(g_updateCalls.size(), cases[iCase].calls.size()) << iCase;
        for (size_t i = 0; i < g_updateCalls.size(); ++i) {
            EXPECT_EQ(g_updateCalls[i].strId, cases[iCase].calls[i].strId) << iCase;
            EXPECT_EQ(g_updateCalls[i].dwFlags, cases[iCase].calls[i].dwFlags) << iCase;
        }
        // One line per device names the ID that reaches it.
        for (const auto& d : devices)
            EXPECT_EQ(std::count_if(m_events.begin(), m_events.end(), [&](const LOGGED& e) {
                          return e.strText.rfind("Installing on device \"" + Narrow(d->InstanceId()) + "\", which lists \"",
                                                 0) == 0;
                      }),
                      1)
                << iCase;
    }
    NativeSetupApi() = saved;
    devices.clear();
    ForgetStagedPackage(L"tvcall-two");
}

// Wine's DIF_REMOVE always succeeds: the stand-in fails the removal whose
// turn the case names and passes the others on to Wine.
int g_nRemoveCalls = 0;
int g_nFailingRemoval = 0;

BOOL WINAPI FailingRemoval(DI_FUNCTION function, HDEVINFO hSet, PSP_DEVINFO_DATA pDevice)
{
    if (function == DIF_REMOVE && ++g_nRemoveCalls == g_nFailingRemoval) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return SetupDiCallClassInstaller(function, hSet, pDevice);
}

TEST_F(NativeCalls, AFailedRemovalKeepsThePackageAndTheRemovedDevicesAreLookedForAgain)
{
    const struct
    {
        int nFailingRemoval; // 0: none fails
        DWORD dwExpected;
        size_t cRemoved;
        size_t cRescans;
    } cases[] = { { 1, ERROR_ACCESS_DENIED, 0, 0 }, { 3, ERROR_ACCESS_DENIED, 2, 1 }, { 0, 0, 3, 1 } };
    const NATIVE_SETUP_API saved = NativeSetupApi();
    DeviceList devices;
    for (const auto& c : cases) {
        ForgetStagedPackage(L"tvcall-rm");
        ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvcall-rm", c_strFirst));
        ASSERT_EQ(Native().pfnPreinstall(L"tvcall-rm.inf", 0), 0u);
        ASSERT_TRUE(DefineDevices({ { 1, L"tvcall-rm.inf" }, { 1, L"tvcall-rm.inf" }, { 1, L"tvcall-rm.inf" } },
                                  &devices));
        NativeSetupApi().pfnSetupDiCallClassInstaller = FailingRemoval;
        NativeSetupApi().pfnCM_Locate_DevNodeW = FakeLocateRoot;
        NativeSetupApi().pfnCM_Reenumerate_DevNode = FakeReenumerate;
        g_nRemoveCalls = 0;
        g_nFailingRemoval = c.nFailingRemoval;
        g_reenumerations.clear();
        m_events.clear();
        BOOL bReboot = FALSE;
        EXPECT_EQ(Native().pfnUninstall(L"tvcall-rm.inf", 0, nullptr, &bReboot), c.dwExpected) << c.nFailingRemoval;
        NativeSetupApi() = saved;
        EXPECT_EQ(g_reenumerations.size(), c.cRescans) << c.nFailingRemoval;
        EXPECT_EQ(CountCopiesInInfFolder(ReadFileBytes(m_folder.File(L"tvcall-rm.inf"))), c.dwExpected ? 1 : 0);
        // The log names exactly the devices that went, and the failure counts them.
        size_t cRemoved = 0;
        for (const auto& d : devices) {
            cRemoved += !d->Exists();
            EXPECT_EQ(std::any_of(m_events.begin(), m_events.end(), [&](const LOGGED& e) {
                          return e.strText.rfind("Removed device \"" + Narrow(d->InstanceId()) + "\", which used", 0) == 0;
                      }),
                      !d->Exists());
        }
        EXPECT_EQ(std::any_of(m_events.begin(), m_events.end(), [&](const LOGGED& e) {
                      return e.type == DIFXAPI_WARNING &&
                             e.strText == std::to_string(c.cRemoved) +
                                              " devices of \"tvcall-rm.inf\" were removed before the failure";
                  }),
                  c.dwExpected != 0);
        EXPECT_EQ(cRemoved, c.cRemoved) << c.nFailingRemoval;
    }
    devices.clear();
    ForgetStagedPackage(L"tvcall-rm");
}

// The install names a model line without its install section, from the walk
// that /v reports it from.
TEST_F(NativeCalls, InstallWarnsOfAModelWithoutItsInstallSection)
{
    ForgetStagedPackage(L"tvcall-gone");
    std::string strInf = PackageInfText(L"tvcall-gone", c_strFirst);
    strInf.insert(strInf.find("%D% = Dev_Install"), "Gone = Gone_Install, USB\\VID_F055&PID_0E59\r\n");
    ASSERT_TRUE(WriteFileBytes(m_folder.File(L"tvcall-gone.inf"), strInf) &&
                WriteFileBytes(m_folder.File(L"tvcall-gone.cat"), "catalog"));
    BOOL bReboot = FALSE;
    EXPECT_EQ(Native().pfnInstall(L"tvcall-gone.inf", DRIVER_PACKAGE_SILENT, nullptr, &bReboot), 0xE000020Bu);
    EXPECT_TRUE(std::any_of(m_events.begin(), m_events.end(), [](const LOGGED& e) {
        return e.type == DIFXAPI_WARNING && e.dwCode == 0xE0000101 &&
               e.strText.find("the install section [Gone_Install] of the model \"Gone\" (USB\\VID_F055&PID_0E59) "
                              "is missing") != std::string::npos;
    }));
    ForgetStagedPackage(L"tvcall-gone");
}

} // namespace
