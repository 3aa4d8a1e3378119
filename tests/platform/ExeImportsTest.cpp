// The exe as it is deployed: DIFXAPI.dll is no load-time import, so the
// program starts on a Windows without DIFx, and every DLL it imports ships
// with Windows.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "PeImage.h"
#include "support/TestFiles.h"

namespace {

TEST(ExeImage, ImportsOnlySystemDllsAndNeverDifx)
{
    const std::wstring strExe = ModuleDir() + L"\\..\\tavelin.exe";
    HMODULE hExe = LoadLibraryExW(strExe.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(hExe, nullptr) << GetLastError();
    const std::vector<std::string> dlls = ImportedDlls(hExe);
    FreeLibrary(hExe);
    ASSERT_FALSE(dlls.empty());
    WCHAR szSystem[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(szSystem, MAX_PATH), 0u);
    for (const std::string& strDll : dlls) {
        std::string strLower;
        for (char ch : strDll)
            strLower.push_back(static_cast<char>(tolower(static_cast<unsigned char>(ch))));
        EXPECT_NE(strLower, "difxapi.dll");
        EXPECT_TRUE(FileExists(std::wstring(szSystem) + L"\\" + Widen(strDll))) << strDll;
    }
}

} // namespace
