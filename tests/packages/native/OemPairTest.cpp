// The staged copy as Windows names it: oem<N>.inf in the INF folder and
// oem<N>.cat in the catalog root. Wine's staging keeps the package's own
// names, so the pair is put there by hand, and the package's catalog is
// chosen by its decorated CatalogFile keys as Windows chooses it on x64:
// CatalogFile.NTamd64 before CatalogFile.NT before CatalogFile.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "packages/DriverInstallApi.h"
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

// The package tvoem: its INF with the catalog keys given, and a catalog of
// its own bytes for each name.
std::string OemPackageInf(const std::string& strCatalogKeys)
{
    std::string strInf = PackageInfText(L"tvoem", L"USB\\VID_F055&PID_0F10");
    const std::string strPlain = "CatalogFile = tvoem.cat\r\n";
    strInf.replace(strInf.find(strPlain), strPlain.size(), strCatalogKeys);
    return strInf;
}

std::string CatalogBytes(const std::string& strName)
{
    return "catalog of tvoem named " + strName;
}

// A free oem<N>.inf name, after removing whatever copy of tvoem an earlier
// run left under any oem name.
int FreeOemNumber(const std::vector<std::string>& stale)
{
    for (const auto& file : InfFolderFiles()) {
        for (const std::string& strBytes : stale) {
            if (file.second == strBytes)
                DeleteFileW((InfFolder() + L"\\" + file.first).c_str());
        }
    }
    for (int n = 7100; n < 7200; ++n) {
        const std::wstring strName = L"oem" + std::to_wstring(n);
        if (!FileExists(InfFolder() + L"\\" + strName + L".inf") && !FileExists(CatalogRoot() + L"\\" + strName + L".cat"))
            return n;
    }
    return -1;
}

struct OEM_CASE
{
    const char* pszName;
    const char* pszKeys;     // the INF's catalog keys
    const char* pszInRoot;   // whose catalog the root holds as oem<N>.cat
    bool bFound;
};

const OEM_CASE g_rgOemCases[] = {
    { "x64 key first", "CatalogFile = plain.cat\r\nCatalogFile.NT = nt.cat\r\nCatalogFile.NTamd64 = amd64.cat\r\n",
      "amd64.cat", true },
    { "not the NT one where an x64 one is",
      "CatalogFile.NTamd64 = amd64.cat\r\nCatalogFile = plain.cat\r\nCatalogFile.NT = nt.cat\r\n", "nt.cat", false },
    { "not the plain one where an x64 one is",
      "CatalogFile.NT = nt.cat\r\nCatalogFile.NTamd64 = amd64.cat\r\nCatalogFile = plain.cat\r\n", "plain.cat", false },
    { "NT before plain", "CatalogFile = plain.cat\r\nCatalogFile.NT = nt.cat\r\n", "nt.cat", true },
    { "not the plain one where an NT one is", "CatalogFile.NT = nt.cat\r\nCatalogFile = plain.cat\r\n", "plain.cat",
      false },
    { "plain alone", "CatalogFile = plain.cat\r\n", "plain.cat", true },
};

TEST(OemPair, UninstallFindsTheOemPairByTheCatalogWindowsChooses)
{
    std::vector<std::string> stale;
    for (const OEM_CASE& c : g_rgOemCases)
        stale.push_back(OemPackageInf(c.pszKeys));
    const NATIVE_SETUP_API saved = NativeSetupApi();
    NativeSetupApi().pfnDiUninstallDriverW = nullptr;
    for (const OEM_CASE& c : g_rgOemCases) {
        SCOPED_TRACE(c.pszName);
        CScratchDir folder;
        const std::string strInf = OemPackageInf(c.pszKeys);
        ASSERT_TRUE(WriteFileBytes(folder.File(L"tvoem.inf"), strInf));
        for (const char* pszCatalog : { "plain.cat", "nt.cat", "amd64.cat" })
            ASSERT_TRUE(WriteFileBytes(folder.File(Widen(pszCatalog)), CatalogBytes(pszCatalog)));
        ForgetStagedPackage(L"tvoem");
        const int n = FreeOemNumber(stale);
        ASSERT_GE(n, 0);
        const std::wstring strOemInf = InfFolder() + L"\\oem" + std::to_wstring(n) + L".inf";
        const std::wstring strOemCat = CatalogRoot() + L"\\oem" + std::to_wstring(n) + L".cat";
        ASSERT_TRUE(WriteFileBytes(strOemInf, strInf));
        ASSERT_TRUE(WriteFileBytes(strOemCat, CatalogBytes(c.pszInRoot)));
        auto before = InfFolderFiles();

        BOOL bReboot = FALSE;
        const DWORD dwResult = Native().pfnUninstall(folder.File(L"tvoem.inf").c_str(), 0, nullptr, &bReboot);
        if (c.bFound) {
            EXPECT_EQ(dwResult, 0u);
            EXPECT_FALSE(FileExists(strOemInf));
            // Exactly the pair: every other file of the INF folder stays.
            before.erase(L"OEM" + std::to_wstring(n) + L".INF");
            before.erase(L"OEM" + std::to_wstring(n) + L".PNF");
            EXPECT_EQ(InfFolderFiles(), before);
        } else {
            EXPECT_EQ(dwResult, 0xE0000302u);
            EXPECT_TRUE(FileExists(strOemInf));
            EXPECT_EQ(InfFolderFiles(), before);
        }
        DeleteFileW(strOemInf.c_str());
        DeleteFileW((InfFolder() + L"\\oem" + std::to_wstring(n) + L".pnf").c_str());
        DeleteFileW(strOemCat.c_str());
    }
    NativeSetupApi() = saved;
}

} // namespace
