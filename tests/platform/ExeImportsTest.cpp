// The exe as it is deployed: DIFXAPI.dll is no load-time import, so the
// program starts on a Windows without DIFx, and every DLL it imports is one
// that Windows never looks for beside the exe: a KnownDLL, or comctl32
// through the manifest. Any other (newdev, crypt32, ...) is loaded at run
// time by full path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string>

#include "PeImage.h"
#include "support/TestFiles.h"

namespace {

TEST(ExeImage, ImportsOnlyDllsWindowsNeverLooksForBesideTheExe)
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
        static const char* const c_apszAllowed[] = { "kernel32.dll", "user32.dll",   "gdi32.dll",
                                                     "advapi32.dll", "setupapi.dll", "msvcrt.dll",
                                                     "shell32.dll",  "ole32.dll",    "oleaut32.dll",
                                                     "comctl32.dll" };
        EXPECT_NE(std::find(std::begin(c_apszAllowed), std::end(c_apszAllowed), strLower), std::end(c_apszAllowed))
            << strDll;
        EXPECT_TRUE(FileExists(std::wstring(szSystem) + L"\\" + Widen(strDll))) << strDll;
    }
}

} // namespace
