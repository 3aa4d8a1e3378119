// The usage road, end to end: the real program under Wine shows its help
// dialog for no or invalid options, and ends with 0 however it is closed.
#include <gtest/gtest.h>

#include "E2eTexts.h"
#include "ProgramRun.h"

namespace {

const wchar_t c_szUsageText[] =
    L"USAGE: tavelin [ /p | /i | /u | /f | /? ] [/l <inflist> | [/s <inffile>]] [ /q ]\r\n"
    L"\r\n"
    L"Options:\r\n"
    L"/p : preinstall driver package.\r\n"
    L"/i : install driver package.\r\n"
    L"/u : uninstall driver package.\r\n"
    L"/f : fix conflict with windows MTP driver\r\n"
    L"/q : quiet mode - don't show progress windows.\r\n"
    L"/l <inflist> : list that contains path to mutliple device inf to install\r\n"
    L"/s <inffilena> : has to be in the current directory.\r\n"
    L"/? or no arguments: display this help\r\n"
    L"\r\n"
    L"If /l <inflist-filename> or /s <inf-filename> is not present, installer searches for inflist.txt in current directory.";

enum class ECloseBy { CloseButton, CommandOk, CommandCancel, EscapeKey, CloseBox };

struct Case
{
    const char* pszName;
    const wchar_t* pszArgs;
    ECloseBy closeBy;
};

const Case g_cases[] = {
    { "NoArguments_CloseButton", L"", ECloseBy::CloseButton },
    { "QuietAlone_Escape", L"/q", ECloseBy::EscapeKey },
    { "UnknownOptionWithQuiet_CloseBox", L"/x /q", ECloseBy::CloseBox },
    { "ErrorAfterInstallStopsQuiet_Cancel", L"/i /x /q", ECloseBy::CommandCancel },
    { "QuestionMark_Ok", L"/?", ECloseBy::CommandOk },
    { "UnknownVendor", L"/f Rezuv /q", ECloseBy::CommandOk },
    { "BareWord", L"setup.inf /i /q", ECloseBy::CommandOk },
};

class UsageRoad : public ::testing::TestWithParam<Case> {};

TEST_P(UsageRoad, ShowsTheHelpAndEndsWithZero)
{
    const Case& c = GetParam();
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(run.Start(c.pszArgs));

    HWND hDlg = run.WaitForWindow(c_szUsageCaption, c_msStart);
    ASSERT_NE(hDlg, nullptr) << "no usage dialog";
    EXPECT_EQ(ItemText(hDlg, 1004), c_szUsageText);
    HWND hClose = GetDlgItem(hDlg, IDOK);
    ASSERT_NE(hClose, nullptr);
    EXPECT_EQ(WindowText(hClose), L"Close");
    EXPECT_FALSE(run.HasExited());

    switch (c.closeBy) {
    case ECloseBy::CloseButton: PostMessageW(hClose, BM_CLICK, 0, 0); break;
    case ECloseBy::CommandOk: PostMessageW(hDlg, WM_COMMAND, IDOK, 0); break;
    case ECloseBy::CommandCancel: PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0); break;
    case ECloseBy::CloseBox: PostMessageW(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    case ECloseBy::EscapeKey:
        PostMessageW(GetDlgItem(hDlg, 1004), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        break;
    }
    DWORD dwExit = 1;
    ASSERT_TRUE(run.Wait(10000, &dwExit)) << "the dialog did not close";
    EXPECT_EQ(dwExit, 0u);
    // Nothing was installed on the way.
    EXPECT_TRUE(run.Journal().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, UsageRoad, ::testing::ValuesIn(g_cases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.pszName); });

TEST(UsageRoad, StaysOpenUntilClosed)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(run.Start(L""));
    HWND hDlg = run.WaitForWindow(c_szUsageCaption, c_msStart);
    ASSERT_NE(hDlg, nullptr);
    EXPECT_FALSE(WaitUntil([&] { return run.HasExited() || !IsWindow(hDlg); }, 500)) << "closed by itself";
    PostMessageW(hDlg, WM_COMMAND, IDOK, 0);
    DWORD dwExit = 1;
    ASSERT_TRUE(run.Wait(10000, &dwExit));
    EXPECT_EQ(dwExit, 0u);
}

} // namespace
