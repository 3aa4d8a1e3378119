// The built program's resources, read from build/tavelin.exe itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DialogTemplate.h"
#include "res/resource.h"
#include "support/TestFiles.h"

namespace {

class ProgramResources : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_hModule = LoadLibraryExW((ModuleDir() + L"\\..\\tavelin.exe").c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite()
    {
        if (s_hModule)
            FreeLibrary(s_hModule);
    }
    void SetUp() override { ASSERT_NE(s_hModule, nullptr) << "build/tavelin.exe not loadable"; }

    static std::string Bytes(LPCWSTR pszType, LPCWSTR pszName)
    {
        HRSRC hRes = FindResourceW(s_hModule, pszName, pszType);
        if (!hRes)
            return std::string();
        HGLOBAL hData = LoadResource(s_hModule, hRes);
        const char* p = static_cast<const char*>(LockResource(hData));
        return p ? std::string(p, SizeofResource(s_hModule, hRes)) : std::string();
    }
    static std::wstring String(UINT uId)
    {
        // LoadStringW with a zero size hands out a pointer to the resource text.
        LPCWSTR psz = nullptr;
        int cch = LoadStringW(s_hModule, uId, reinterpret_cast<LPWSTR>(&psz), 0);
        return cch > 0 ? std::wstring(psz, static_cast<size_t>(cch)) : std::wstring();
    }
    static DialogTemplate Dialog(UINT uId)
    {
        std::string bytes = Bytes(MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(uId));
        return ParseDialogTemplate(bytes);
    }

    static HMODULE s_hModule;
};

HMODULE ProgramResources::s_hModule = nullptr;

TEST_F(ProgramResources, UsageTextHasItsThirteenLinesWordForWord)
{
    const wchar_t* const lines[] = {
        L"USAGE: tavelin [ /p | /i | /u | /f | /? ] [/l <inflist> | [/s <inffile>]] [ /q ]",
        L"",
        L"Options:",
        L"/p : preinstall driver package.",
        L"/i : install driver package.",
        L"/u : uninstall driver package.",
        L"/f : fix conflict with windows MTP driver",
        L"/q : quiet mode - don't show progress windows.",
        L"/l <inflist> : list that contains path to mutliple device inf to install",
        L"/s <inffilena> : has to be in the current directory.",
        L"/? or no arguments: display this help",
        L"",
        L"If /l <inflist-filename> or /s <inf-filename> is not present, installer searches for inflist.txt in current directory.",
    };
    std::wstring strExpected;
    for (size_t i = 0; i < ARRAYSIZE(lines); ++i)
        strExpected += (i ? L"\r\n" : L"") + std::wstring(lines[i]);
    EXPECT_EQ(String(IDS_USAGE), strExpected);
}

TEST_F(ProgramResources, OperationTexts)
{
    EXPECT_EQ(String(IDS_INSTALLING), L"Installing Selected Device Drivers ...");
    EXPECT_EQ(String(IDS_REMOVING), L"Removing Previously Installed Device Drivers ...");
    EXPECT_EQ(String(IDS_DONE), L" Done.");
    EXPECT_EQ(String(IDS_CLEANING), L"Removing Superseded Device Drivers ...");
}

TEST_F(ProgramResources, ShutdownReasonText)
{
    EXPECT_EQ(String(IDS_SHUTDOWN_REASON), L"Installing device drivers");
}

TEST_F(ProgramResources, UsageDialogTemplate)
{
    DialogTemplate d = Dialog(IDD_USAGE);
    ASSERT_TRUE(d.bValid);
    EXPECT_TRUE(d.bExtended);
    EXPECT_EQ(d.dwStyle, 0x90C800C8u);
    EXPECT_EQ(d.dwExStyle, 0x00040000u);
    EXPECT_EQ(d.rc, (DialogRect{ 0, 0, 254, 311 }));
    EXPECT_EQ(d.strCaption, L"Tavelin - Usage Help");
    EXPECT_EQ(d.strFont, L"MS Shell Dlg");
    EXPECT_EQ(d.wPointSize, 8);
    ASSERT_EQ(d.items.size(), 2u);

    const DialogItem& close = d.items[0];
    EXPECT_EQ(close.dwId, static_cast<DWORD>(IDOK));
    EXPECT_EQ(close.strClass, L"#128"); // button
    EXPECT_EQ(close.strText, L"Close");
    EXPECT_EQ(close.dwStyle & 0xF, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    EXPECT_TRUE(close.dwStyle & WS_TABSTOP);
    EXPECT_EQ(close.rc, (DialogRect{ 100, 290, 50, 14 }));

    const DialogItem& text = d.items[1];
    EXPECT_EQ(text.dwId, static_cast<DWORD>(IDC_USAGE_TEXT));
    EXPECT_EQ(text.strClass, L"#129"); // edit
    EXPECT_EQ(text.strText, L"");
    const DWORD dwWanted = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_BORDER | WS_TABSTOP;
    EXPECT_EQ(text.dwStyle & dwWanted, dwWanted);
    EXPECT_EQ(text.rc, (DialogRect{ 7, 7, 240, 280 }));
}

TEST_F(ProgramResources, ProgressDialogTemplate)
{
    DialogTemplate d = Dialog(IDD_PROGRESS);
    ASSERT_TRUE(d.bValid);
    EXPECT_TRUE(d.bExtended);
    EXPECT_EQ(d.dwStyle, 0x80C800C8u);
    EXPECT_EQ(d.dwExStyle, 0u);
    EXPECT_EQ(d.rc, (DialogRect{ 0, 0, 316, 38 }));
    EXPECT_EQ(d.strCaption, L"Dialog");
    EXPECT_EQ(d.strFont, L"MS Shell Dlg");
    EXPECT_EQ(d.wPointSize, 8);
    EXPECT_EQ(d.wWeight, 400);
    ASSERT_EQ(d.items.size(), 2u);

    const DialogItem& status = d.items[0];
    EXPECT_EQ(status.dwId, static_cast<DWORD>(IDC_STATUS_TEXT));
    EXPECT_EQ(status.strClass, L"#130"); // static
    EXPECT_EQ(status.strText, L"Installing Selected Device Drivers ...");
    EXPECT_EQ(status.dwStyle & 0x1F, static_cast<DWORD>(SS_LEFT));
    EXPECT_TRUE(status.dwStyle & WS_GROUP);
    EXPECT_EQ(status.rc, (DialogRect{ 7, 7, 117, 8 }));

    const DialogItem& bar = d.items[1];
    EXPECT_EQ(bar.dwId, static_cast<DWORD>(IDC_PROGRESS_BAR));
    // windres writes class names in capitals; window classes match without
    // regard to case.
    EXPECT_EQ(_wcsicmp(bar.strClass.c_str(), L"msctls_progress32"), 0) << Narrow(bar.strClass);
    EXPECT_TRUE(bar.dwStyle & WS_BORDER);
    EXPECT_EQ(bar.rc, (DialogRect{ 7, 17, 302, 14 }));
}

TEST_F(ProgramResources, ManifestAsksForAdministratorAndCommonControls6)
{
    std::string strManifest = Bytes(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));
    ASSERT_FALSE(strManifest.empty());
    EXPECT_NE(strManifest.find("level=\"requireAdministrator\" uiAccess=\"false\""), std::string::npos);
    EXPECT_NE(strManifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    // Each build binds the comctl32 of its own architecture.
    EXPECT_NE(strManifest.find("processorArchitecture=\"*\""), std::string::npos);
    EXPECT_EQ(strManifest.find("amd64"), std::string::npos);
    EXPECT_NE(strManifest.find("<ws2:longPathAware>true</ws2:longPathAware>"), std::string::npos);
    // Windows Vista, 7, 8, 8.1 and 10/11, so that the OS version is told truly.
    for (const char* pszId : { "e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                               "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                               "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a" })
        EXPECT_NE(strManifest.find(pszId), std::string::npos) << pszId;
}

TEST_F(ProgramResources, VersionBlock)
{
    std::string strBlock = Bytes(MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1));
    ASSERT_FALSE(strBlock.empty());
    std::vector<char> copy(strBlock.begin(), strBlock.end());
    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT cb = 0;
    ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&pFixed), &cb));
    EXPECT_EQ(pFixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(pFixed->dwFileVersionLS, 0x00000002u);
    EXPECT_EQ(pFixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(pFixed->dwProductVersionLS, 0x00000002u);

    auto value = [&](const wchar_t* pszName) {
        std::wstring strKey = std::wstring(L"\\StringFileInfo\\040904b0\\") + pszName;
        LPWSTR psz = nullptr;
        UINT cch = 0;
        if (!VerQueryValueW(copy.data(), strKey.c_str(), reinterpret_cast<void**>(&psz), &cch) || !psz)
            return std::wstring(L"<missing>");
        return std::wstring(psz);
    };
    EXPECT_EQ(value(L"FileVersion"), L"1.0.0.2");
    EXPECT_EQ(value(L"ProductVersion"), L"1.0.0.2");
    EXPECT_EQ(value(L"FileDescription"), L"Tavelin");
    EXPECT_EQ(value(L"InternalName"), L"Tavelin.exe");
    EXPECT_EQ(value(L"OriginalFilename"), L"Tavelin.exe");
}

#pragma pack(push, 2)
struct GRPICONDIRENTRY
{
    BYTE bWidth, bHeight, bColorCount, bReserved;
    WORD wPlanes, wBitCount;
    DWORD dwBytesInRes;
    WORD nId;
};
#pragma pack(pop)

TEST_F(ProgramResources, IconGroupHasThirteenImagesOfTheRightSizesAndDepths)
{
    std::string strGroup = Bytes(MAKEINTRESOURCEW(14), MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
    ASSERT_GE(strGroup.size(), 6u);
    WORD cImages = *reinterpret_cast<const WORD*>(strGroup.data() + 4);
    ASSERT_EQ(cImages, 13);
    ASSERT_GE(strGroup.size(), 6u + 13 * sizeof(GRPICONDIRENTRY));

    std::vector<std::pair<int, int>> seen; // (size, bits)
    for (WORD i = 0; i < cImages; ++i) {
        const GRPICONDIRENTRY* e =
            reinterpret_cast<const GRPICONDIRENTRY*>(strGroup.data() + 6 + i * sizeof(GRPICONDIRENTRY));
        std::string strImage = Bytes(MAKEINTRESOURCEW(3), MAKEINTRESOURCEW(e->nId));
        ASSERT_EQ(strImage.size(), e->dwBytesInRes);
        int nSize = e->bWidth ? e->bWidth : 256;
        int nBits = 0;
        if (strImage.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) {
            // IHDR: width and height big-endian at 16 and 20, depth at 24.
            const unsigned char* p = reinterpret_cast<const unsigned char*>(strImage.data());
            int nWidth = (p[16] << 24) | (p[17] << 16) | (p[18] << 8) | p[19];
            EXPECT_EQ(nWidth, nSize);
            EXPECT_EQ(p[25], 6); // RGBA
            nBits = 32;
        } else {
            const BITMAPINFOHEADER* bih = reinterpret_cast<const BITMAPINFOHEADER*>(strImage.data());
            EXPECT_EQ(bih->biWidth, nSize);
            EXPECT_EQ(bih->biHeight, 2 * nSize); // colour and mask
            nBits = bih->biBitCount;
        }
        EXPECT_EQ(nBits, e->wBitCount);
        seen.push_back({ nSize, nBits });
    }
    std::vector<std::pair<int, int>> expected;
    for (int nBits : { 4, 8 })
        for (int nSize : { 48, 32, 24, 16 })
            expected.push_back({ nSize, nBits });
    for (int nSize : { 256, 48, 32, 24, 16 })
        expected.push_back({ nSize, 32 });
    std::sort(seen.begin(), seen.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(seen, expected);
}

} // namespace
