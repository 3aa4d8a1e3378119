// /c in this process against the prefix's INF folder and catalog root,
// staged the way Windows stages (every copy oemN.inf with oemN.cat), for the
// branches Wine lacks: SetupAPI's original-name answer from the PNF, and the
// answers of SetupUninstallOEMInfW on Windows (it deletes without
// SUOI_FORCEDELETE, or refuses an INF in use) through stand-ins.
#include <gtest/gtest.h>

#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include "UsbDeviceRegistry.h"
#include "inf/InfIdentity.h"
#include "packages/PackageCallLock.h"
#include "packages/PackageClean.h"
#include "packages/RunSummary.h"
#include "packages/DiffxApiCallback.h"
#include "packages/native/NativeLog.h"
#include "packages/native/NativeSetupApi.h"
#include "support/DriverPackages.h"
#include "support/TestFiles.h"

namespace {

// Names no real prefix reaches: the package's copy and its older version.
const wchar_t c_szGivenCopy[] = L"oem77001.inf";
const wchar_t c_szOlderCopy[] = L"oem77002.inf";
const wchar_t c_szPackage[] = L"tvcc-pkg.inf";
const wchar_t c_szClassKey[] = L"System\\CurrentControlSet\\Control\\Class\\{6f3b2c10-58a4-4c8e-9d1e-3a7b5e2f0a11}\\0978";

std::string InfText(const char* pszDriverVer)
{
    return std::string("[Version]\r\nSignature = \"$WINDOWS NT$\"\r\nClass = TavelinSample\r\n"
                       "ClassGuid = {6f3b2c10-58a4-4c8e-9d1e-3a7b5e2f0a11}\r\nProvider = Tavelin tests\r\n"
                       "DriverVer = ") +
           pszDriverVer + "\r\nCatalogFile = tvcc-pkg.cat\r\n";
}

// SetupAPI's answer for a staged copy on Windows: the name it was staged
// from, kept in its PNF. Wine gives the copy's own name.
BOOL WINAPI WindowsOriginalName(PSP_INF_INFORMATION pInformation, UINT uiIndex, PSP_ALTPLATFORM_INFO pPlatform,
                                PSP_ORIGINAL_FILE_INFO_W pOriginal)
{
    if (!SetupQueryInfOriginalFileInformationW(pInformation, uiIndex, pPlatform, pOriginal))
        return FALSE;
    if (wcsncmp(pOriginal->OriginalInfName, L"oem7700", 7) == 0)
        wcscpy(pOriginal->OriginalInfName, c_szPackage);
    return TRUE;
}

std::wstring InfFile(LPCWSTR pszName)
{
    return InfFolder() + L"\\" + pszName;
}

// How the stand-in of SetupUninstallOEMInfW answers.
enum class EUninstall
{
    WineAsItIs,        // the real call: TRUE without the flag, and nothing deleted
    WindowsDeletes,    // deletes the INF without the flag
    WindowsInUse,      // ERROR_INF_IN_USE_BY_DEVICES
    AccessDenied,      // fails with 5
    SaysYesDoesNothing, // TRUE, and the INF stays even with the flag
    DeviceArrives,     // TRUE, nothing deleted, and a device takes the INF meanwhile
};

EUninstall g_uninstall = EUninstall::WineAsItIs;
std::vector<DWORD> g_uninstallFlags;
CRegistryDevice* g_pArrivingDevice = nullptr;

BOOL WINAPI StandInUninstall(PCWSTR pszName, DWORD dwFlags, PVOID pvReserved)
{
    g_uninstallFlags.push_back(dwFlags);
    switch (g_uninstall) {
    case EUninstall::WineAsItIs:
        return SetupUninstallOEMInfW(pszName, dwFlags, pvReserved);
    case EUninstall::WindowsDeletes:
        return DeleteFileW(InfFile(pszName).c_str());
    case EUninstall::WindowsInUse:
        SetLastError(ERROR_INF_IN_USE_BY_DEVICES);
        return FALSE;
    case EUninstall::AccessDenied:
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    case EUninstall::SaysYesDoesNothing:
        return TRUE;
    case EUninstall::DeviceArrives:
        if (g_pArrivingDevice) {
            g_pArrivingDevice->SetMultiString(L"HardwareID", { L"USB\\VID_F055&PID_0C78" });
            g_pArrivingDevice->SetString(L"Driver", L"{6f3b2c10-58a4-4c8e-9d1e-3a7b5e2f0a11}\\0978");
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, c_szClassKey, L"InfPath", REG_SZ, pszName,
                            static_cast<DWORD>((wcslen(pszName) + 1) * sizeof(WCHAR)));
        }
        return TRUE;
    }
    return FALSE;
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

struct UNINSTALL_CASE
{
    const char* pszName;
    EUninstall uninstall;
    DWORD dwResult;
    bool bOlderGone;
    std::vector<DWORD> flags;
    const char* pszEvent;
};

const UNINSTALL_CASE c_uninstallCases[] = {
    { "Windows removes it without the flag, which is never used", EUninstall::WindowsDeletes, 0, true, { 0 },
      "removed oem77002.inf (Tavelin tests, 01/15/2024,1.0.0.1): superseded by 06/01/2026,2.0.0.3" },
    { "where the call leaves the INF, it is repeated once with the flag", EUninstall::WineAsItIs, 0, true,
      { 0, SUOI_FORCEDELETE }, "removed oem77002.inf (Tavelin tests, 01/15/2024,1.0.0.1)" },
    { "Windows refusing an INF in use keeps it, and is no failure", EUninstall::WindowsInUse, 0, false, { 0 },
      "kept oem77002.inf: used by a device (Windows refuses to remove it)" },
    { "a failed call is the package's result", EUninstall::AccessDenied, ERROR_ACCESS_DENIED, false, { 0 },
      "cannot remove oem77002.inf (Tavelin tests, 01/15/2024,1.0.0.1), superseded by 06/01/2026,2.0.0.3" },
    { "a success that leaves the INF in place is a failure", EUninstall::SaysYesDoesNothing, ERROR_CAN_NOT_COMPLETE,
      false, { 0, SUOI_FORCEDELETE }, "cannot remove oem77002.inf" },
    { "a device that takes the INF before the forced call keeps it", EUninstall::DeviceArrives, 0, false, { 0 },
      "kept oem77002.inf: used by USB\\VID_F055&PID_0C78\\7&7A7A&0&1" },
};

class CleanCalls : public ::testing::TestWithParam<UNINSTALL_CASE>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ClearTestDevices());
        Forget();
        m_realApi = NativeSetupApi();
        m_realNames = InfOriginalNameApi();
        InfOriginalNameApi().pfnSetupQueryInfOriginalFileInformationW = WindowsOriginalName;
        NativeSetupApi().pfnSetupUninstallOEMInfW = StandInUninstall;
        g_uninstallFlags.clear();
        SetNativeLogCallback(&Record, &m_events);

        // The package, and its copy as Windows stages it; an older version
        // staged from the same INF name before.
        m_strPackage = m_folder.File(c_szPackage);
        ASSERT_TRUE(WriteFileBytes(m_strPackage, InfText("06/01/2026,2.0.0.3")));
        ASSERT_TRUE(WriteFileBytes(m_folder.File(L"tvcc-pkg.cat"), "catalog tvcc"));
        ASSERT_TRUE(WriteFileBytes(InfFile(c_szGivenCopy), InfText("06/01/2026,2.0.0.3")));
        ASSERT_TRUE(WriteFileBytes(CatalogRoot() + L"\\oem77001.cat", "catalog tvcc"));
        ASSERT_TRUE(WriteFileBytes(InfFile(c_szOlderCopy), InfText("01/15/2024,1.0.0.1")));
    }
    void TearDown() override
    {
        SetNativeLogCallback(nullptr, nullptr);
        NativeSetupApi() = m_realApi;
        InfOriginalNameApi() = m_realNames;
        g_pArrivingDevice = nullptr;
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, c_szClassKey);
        ClearTestDevices();
        Forget();
    }
    static void Forget()
    {
        for (LPCWSTR pszName : { L"oem77001", L"oem77002" }) {
            DeleteFileW(InfFile((std::wstring(pszName) + L".inf").c_str()).c_str());
            DeleteFileW(InfFile((std::wstring(pszName) + L".pnf").c_str()).c_str());
            DeleteFileW((CatalogRoot() + L"\\" + pszName + L".cat").c_str());
        }
    }
    bool Logged(const std::string& strPart) const
    {
        for (const LOGGED& e : m_events) {
            if (e.strText.find(strPart) != std::string::npos)
                return true;
        }
        return false;
    }

    CScratchDir m_folder;
    std::wstring m_strPackage;
    NATIVE_SETUP_API m_realApi = {};
    INF_ORIGINAL_NAME_API m_realNames = {};
    std::vector<LOGGED> m_events;
    CPackageCallLock m_lock;
    CDiffxApiCallback m_callback;
};

TEST_P(CleanCalls, RemovalFollowsWhatSetupApiDidNotWhatItSaid)
{
    const UNINSTALL_CASE& c = GetParam();
    g_uninstall = c.uninstall;
    CRegistryDevice device(L"USB", L"VID_F055&PID_0C78");
    g_pArrivingDevice = &device;
    ASSERT_TRUE(device.IsDefined());
    RUN_SUMMARY summary = {};

    const DWORD dwResult = CleanDriverPackage(m_strPackage.c_str(), m_lock, &m_callback, nullptr, &summary);
    EXPECT_EQ(dwResult, c.dwResult);
    EXPECT_EQ(FileExists(InfFile(c_szOlderCopy)), !c.bOlderGone);
    EXPECT_TRUE(FileExists(InfFile(c_szGivenCopy)));
    EXPECT_EQ(g_uninstallFlags, c.flags);
    EXPECT_EQ(summary.cVersionsRemoved, c.bOlderGone ? 1u : 0u);
    EXPECT_EQ(summary.cVersionsKept, c.bOlderGone ? 0u : 1u);
    EXPECT_TRUE(Logged(c.pszEvent)) << c.pszEvent;
}

INSTANTIATE_TEST_SUITE_P(Table, CleanCalls, ::testing::ValuesIn(c_uninstallCases),
                         [](const ::testing::TestParamInfo<UNINSTALL_CASE>& info) {
                             return "case" + std::to_string(info.index);
                         });

// Staged INFs that must stay whatever SetupAPI would do: none of them is
// ever handed to it.
using CleanCandidates = CleanCalls;

// Windows gives the whole [Version] section, which may not fit the first
// buffer: SetupAPI then asks for a larger one.
BOOL WINAPI LargeInfInformation(LPCVOID pvSpec, DWORD dwSearch, PSP_INF_INFORMATION pBuffer, DWORD cbBuffer,
                                PDWORD pcbRequired)
{
    const DWORD cbLarge = 64 * 1024;
    if (cbBuffer < cbLarge) {
        *pcbRequired = cbLarge;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    return SetupGetInfInformationW(pvSpec, dwSearch, pBuffer, cbBuffer, pcbRequired);
}

TEST_F(CleanCandidates, ALargeVersionSectionStillNamesTheOriginal)
{
    g_uninstall = EUninstall::WindowsDeletes;
    InfOriginalNameApi().pfnSetupGetInfInformationW = LargeInfInformation;
    RUN_SUMMARY summary = {};
    EXPECT_EQ(CleanDriverPackage(m_strPackage.c_str(), m_lock, &m_callback, nullptr, &summary), 0u);
    EXPECT_FALSE(FileExists(InfFile(c_szOlderCopy)));
    EXPECT_EQ(summary.cVersionsRemoved, 1u);
}

TEST_F(CleanCandidates, AnUnreadableDriverVerIsKeptAndSaysWhy)
{
    ASSERT_TRUE(WriteFileBytes(InfFile(c_szOlderCopy), InfText("13/45/2024,1.0.0.1")));
    g_uninstall = EUninstall::WindowsDeletes;
    RUN_SUMMARY summary = {};
    EXPECT_EQ(CleanDriverPackage(m_strPackage.c_str(), m_lock, &m_callback, nullptr, &summary), 0u);
    EXPECT_TRUE(g_uninstallFlags.empty());
    EXPECT_TRUE(Logged("kept oem77002.inf: its DriverVer cannot be read"));
    EXPECT_EQ(summary.cVersionsKept, 1u);
}

// Where a driver store exists (Windows), staging never keeps a package's
// own name: an INF of the package's name there is the system's own.
TEST_F(CleanCandidates, WithADriverStoreAnInfOfThePackagesOwnNameIsNeverAVersion)
{
    g_uninstall = EUninstall::WindowsDeletes;
    InfOriginalNameApi() = m_realNames;
    ASSERT_TRUE(DeleteFileW(InfFile(c_szOlderCopy).c_str()));
    ASSERT_TRUE(WriteFileBytes(InfFile(c_szPackage), InfText("01/15/2024,1.0.0.1")));
    ASSERT_TRUE(WriteFileBytes(CatalogRoot() + L"\\tvcc-pkg.cat", "catalog tvcc"));
    WCHAR szSystem[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(szSystem, MAX_PATH), 0u);
    const std::wstring strStore = std::wstring(szSystem) + L"\\DriverStore";
    RUN_SUMMARY summary = {};

    ASSERT_TRUE(CreateDirectoryW(strStore.c_str(), nullptr));
    const DWORD dwWithStore = CleanDriverPackage(m_strPackage.c_str(), m_lock, &m_callback, nullptr, &summary);
    const bool bKeptWithStore = FileExists(InfFile(c_szPackage));
    RemoveDirectoryW(strStore.c_str());
    EXPECT_EQ(dwWithStore, 0u);
    EXPECT_TRUE(bKeptWithStore);
    EXPECT_TRUE(g_uninstallFlags.empty());

    // Without one (Wine), the same INF is the older version staged under its
    // own name.
    EXPECT_EQ(CleanDriverPackage(m_strPackage.c_str(), m_lock, &m_callback, nullptr, &summary), 0u);
    EXPECT_FALSE(FileExists(InfFile(c_szPackage)));
    DeleteFileW(InfFile(L"tvcc-pkg.pnf").c_str());
    DeleteFileW((CatalogRoot() + L"\\tvcc-pkg.cat").c_str());
}

} // namespace
