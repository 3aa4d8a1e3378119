// The native provider's package calls in this process, against Wine's real
// SetupAPI and the prefix's INF folder: the codes it gives, what it refuses
// to touch, and the DiUninstallDriverW branch, which Wine lacks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packages/native/NativeDriverInstall.h"
#include "packages/native/NativeSetupApi.h"
#include "support/DriverPackages.h"
#include "support/TestFiles.h"

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

    ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvcall-same", L"USB\\VID_F055&PID_0E31"));
    EXPECT_EQ(Native().pfnUninstall(L"tvcall-same.inf", 0, nullptr, &bReboot), 0u);
    EXPECT_EQ(CountCopiesInInfFolder(strStaged), 0);
    ForgetStagedPackage(L"tvcall-same");
}

TEST_F(NativeCalls, StagingIsReportedThroughTheLogCallback)
{
    ForgetStagedPackage(L"tvcall-log");
    ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvcall-log", L"USB\\VID_F055&PID_0E32"));
    ASSERT_EQ(Native().pfnPreinstall(L"tvcall-log.inf", DRIVER_PACKAGE_SILENT), 0u);
    ASSERT_EQ(m_events.size(), 2u);
    EXPECT_EQ(m_events[0].type, DIFXAPI_INFO);
    EXPECT_EQ(m_events[0].strText, "Staged " + Narrow(m_folder.File(L"tvcall-log.inf")) + " as " +
                                       Narrow(InfFolder()) + "\\tvcall-log.inf");
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
BOOL g_bDiResult = TRUE;
int g_nFallbackCalls = 0;

BOOL WINAPI FakeDiUninstallDriverW(HWND hwnd, LPCWSTR pszInfPath, DWORD dwFlags, PBOOL pbNeedReboot)
{
    g_diCalls.push_back({ hwnd, pszInfPath, dwFlags, pbNeedReboot != nullptr });
    if (!g_bDiResult) {
        SetLastError(0xE000023D);
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
    ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvcall-di", L"USB\\VID_F055&PID_0E33"));
    const NATIVE_SETUP_API saved = NativeSetupApi();
    NativeSetupApi().pfnDiUninstallDriverW = FakeDiUninstallDriverW;
    NativeSetupApi().pfnSetupUninstallOEMInfW = FakeSetupUninstallOEMInfW;
    g_diCalls.clear();
    g_nFallbackCalls = 0;

    BOOL bReboot = FALSE;
    g_bDiResult = TRUE;
    const DWORD dwSuccess = Native().pfnUninstall(L"tvcall-di.inf", DRIVER_PACKAGE_FORCE, nullptr, &bReboot);
    g_bDiResult = FALSE;
    BOOL bRebootAfterFailure = FALSE;
    const DWORD dwFailure = Native().pfnUninstall(L"tvcall-di.inf", DRIVER_PACKAGE_FORCE, nullptr, &bRebootAfterFailure);
    NativeSetupApi() = saved;

    EXPECT_EQ(dwSuccess, 0u);
    EXPECT_TRUE(bReboot);
    EXPECT_EQ(dwFailure, 0xE000023Du);
    EXPECT_FALSE(bRebootAfterFailure);
    ASSERT_EQ(g_diCalls.size(), 2u);
    for (const auto& call : g_diCalls) {
        EXPECT_EQ(call.hwnd, nullptr);
        EXPECT_EQ(call.strPath, m_folder.File(L"tvcall-di.inf")) << "the full path, resolved";
        EXPECT_EQ(call.dwFlags, 0u);
        EXPECT_TRUE(call.bRebootPointer);
    }
    EXPECT_EQ(g_nFallbackCalls, 0);
}

} // namespace
