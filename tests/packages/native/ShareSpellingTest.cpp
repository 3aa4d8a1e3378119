// System folders named through a share: \\localhost\C$\windows\inf\... is the
// INF folder all the same, and the provider refuses to act on an INF there.
// Windows gives the final path of a file opened through a share in its UNC
// form, and the guard then compares the folders above it by identity; Wine
// resolves the share to C:\ instead. So stand-ins put into this program's
// import table note the files opened through the share (CreateFileW), and
// give their final path as Windows does (GetFinalPathNameByHandleW). The prefix offers \\localhost\C$
// (scripts/wine-prefix.sh).
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <set>
#include <string>

#include <windows.h>

#include "packages/DriverInstallApi.h"
#include "packages/native/NativeDriverInstall.h"
#include "support/DriverPackages.h"
#include "support/TestFiles.h"

namespace {

using PFN_FINAL_PATH = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
using PFN_CREATE_FILE = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
PFN_FINAL_PATH g_pfnRealFinalPath = nullptr;
PFN_CREATE_FILE g_pfnRealCreateFile = nullptr;
bool g_bAsWindows = false;
// The handles of files opened through the share, as long as they are open.
std::set<HANDLE> g_throughShare;

bool NamesTheShare(LPCWSTR pszPath)
{
    static const wchar_t* const c_apszShare[] = { L"\\\\localhost\\", L"\\\\?\\UNC\\localhost\\" };
    for (const wchar_t* pszShare : c_apszShare) {
        const size_t cch = wcslen(pszShare);
        if (pszPath && _wcsnicmp(pszPath, pszShare, cch) == 0)
            return true;
    }
    return false;
}

HANDLE WINAPI CreateFileNotingTheShare(LPCWSTR pszPath, DWORD dwAccess, DWORD dwShare, LPSECURITY_ATTRIBUTES pSa,
                                       DWORD dwDisposition, DWORD dwFlags, HANDLE hTemplate)
{
    const HANDLE hFile = g_pfnRealCreateFile(pszPath, dwAccess, dwShare, pSa, dwDisposition, dwFlags, hTemplate);
    // A handle value comes back once the handle it stood for is closed.
    g_throughShare.erase(hFile);
    if (hFile != INVALID_HANDLE_VALUE && NamesTheShare(pszPath))
        g_throughShare.insert(hFile);
    return hFile;
}

// The real answer; while g_bAsWindows, a file opened through the share gets
// the share's "\\?\UNC\localhost\C$\..." for Wine's "\\?\C:\...", as
// Windows gives it.
DWORD WINAPI FinalPathAsWindows(HANDLE hFile, LPWSTR pszPath, DWORD cchPath, DWORD dwFlags)
{
    WCHAR szReal[MAX_PATH * 4];
    const DWORD cch = g_pfnRealFinalPath(hFile, szReal, ARRAYSIZE(szReal), dwFlags);
    if (cch == 0 || cch >= ARRAYSIZE(szReal))
        return cch;
    std::wstring str(szReal, cch);
    if (g_bAsWindows && g_throughShare.count(hFile) && str.compare(0, 7, L"\\\\?\\C:\\") == 0)
        str = L"\\\\?\\UNC\\localhost\\C$\\" + str.substr(7);
    if (str.size() >= cchPath)
        return static_cast<DWORD>(str.size() + 1);
    wmemcpy(pszPath, str.c_str(), str.size() + 1);
    return static_cast<DWORD>(str.size());
}

// Replaces this program's import of the kernel32 function pszName with
// pvStandIn; *ppvReal receives the function it replaced.
bool HookImport(const char* pszName, void* pvStandIn, void** ppvReal)
{
    BYTE* pbBase = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* pDos = reinterpret_cast<IMAGE_DOS_HEADER*>(pbBase);
    auto* pNt = reinterpret_cast<IMAGE_NT_HEADERS*>(pbBase + pDos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* pImport = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(pbBase + dir.VirtualAddress); pImport->Name;
         ++pImport) {
        if (_stricmp(reinterpret_cast<char*>(pbBase + pImport->Name), "kernel32.dll") != 0)
            continue;
        auto* pName = reinterpret_cast<IMAGE_THUNK_DATA*>(pbBase + pImport->OriginalFirstThunk);
        auto* pAddress = reinterpret_cast<IMAGE_THUNK_DATA*>(pbBase + pImport->FirstThunk);
        for (; pName->u1.AddressOfData; ++pName, ++pAddress) {
            if (IMAGE_SNAP_BY_ORDINAL(pName->u1.Ordinal))
                continue;
            auto* pByName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(pbBase + pName->u1.AddressOfData);
            if (strcmp(reinterpret_cast<char*>(pByName->Name), pszName) != 0)
                continue;
            if (reinterpret_cast<void*>(pAddress->u1.Function) == pvStandIn)
                return true;
            DWORD dwOld = 0;
            if (!VirtualProtect(&pAddress->u1.Function, sizeof(pAddress->u1.Function), PAGE_READWRITE, &dwOld))
                return false;
            *ppvReal = reinterpret_cast<void*>(pAddress->u1.Function);
            pAddress->u1.Function = reinterpret_cast<ULONG_PTR>(pvStandIn);
            VirtualProtect(&pAddress->u1.Function, sizeof(pAddress->u1.Function), dwOld, &dwOld);
            return true;
        }
    }
    return false;
}

bool HookFinalPath()
{
    return HookImport("GetFinalPathNameByHandleW", reinterpret_cast<void*>(&FinalPathAsWindows),
                      reinterpret_cast<void**>(&g_pfnRealFinalPath)) &&
           HookImport("CreateFileW", reinterpret_cast<void*>(&CreateFileNotingTheShare),
                      reinterpret_cast<void**>(&g_pfnRealCreateFile));
}

DRIVER_INSTALL_API Native()
{
    DRIVER_INSTALL_API api = {};
    GetNativeDriverInstallApi(&api);
    return api;
}

// "C:\x" as the share names it: "\\localhost\C$\x".
std::wstring ThroughShare(const std::wstring& strPath)
{
    return L"\\\\localhost\\C$\\" + strPath.substr(3);
}

class ShareSpelling : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(HookFinalPath()) << "no import of GetFinalPathNameByHandleW to stand in for";
        ASSERT_TRUE(FileExists(ThroughShare(InfFolder() + L"\\wineusb.inf"))) << "the prefix offers no \\\\localhost\\C$";
        g_bAsWindows = GetParam();
    }
    void TearDown() override { g_bAsWindows = false; }
};

TEST_P(ShareSpelling, AnInfInTheInfFolderIsRefusedThroughTheShare)
{
    ASSERT_EQ(InfFolder().compare(0, 3, L"C:\\"), 0);
    const auto before = InfFolderFiles();
    BOOL bReboot = FALSE;
    for (const std::wstring& strPath : { ThroughShare(InfFolder() + L"\\wineusb.inf"),
                                         std::wstring(L"\\\\localhost\\c$\\WINDOWS\\INF\\.\\WineUsb.inf") }) {
        SCOPED_TRACE(Narrow(strPath));
        EXPECT_EQ(Native().pfnUninstall(strPath.c_str(), 0, nullptr, &bReboot),
                  static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(Native().pfnPreinstall(strPath.c_str(), 0), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    EXPECT_EQ(InfFolderFiles(), before);
}

TEST_P(ShareSpelling, APackageElsewhereOnTheShareIsActedOn)
{
    CScratchDir folder;
    ASSERT_EQ(folder.Path().compare(0, 3, L"C:\\"), 0);
    ForgetStagedPackage(L"tvshare");
    ASSERT_TRUE(WritePackage(folder.Path(), L"tvshare", L"USB\\VID_F055&PID_0F40"));
    const std::wstring strPath = ThroughShare(folder.File(L"tvshare.inf"));
    BOOL bReboot = FALSE;
    // Never staged: looked for, and not found.
    EXPECT_EQ(Native().pfnUninstall(strPath.c_str(), 0, nullptr, &bReboot), 0xE0000302u);
    ForgetStagedPackage(L"tvshare");
}

// Wine's own answer, then Windows' answer for a file opened through a share.
INSTANTIATE_TEST_SUITE_P(FinalPath, ShareSpelling, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "AsWindowsGivesIt" : "AsWineGivesIt");
                         });

} // namespace
