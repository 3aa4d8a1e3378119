// Faults around a run: list files that cannot be read, a DIFx that fails
// every call, very long paths. Nothing crashes, nothing is half done, and the
// exit code is 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "E2eTexts.h"
#include "ProgramRun.h"

namespace {

using Lines = std::vector<std::string>;

TEST(Faults, ListLockedAgainstReadersInstallsNothing)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(run.Write(L"list.txt", ";inflist\r\na.inf\r\n"));
    HANDLE hLock = CreateFileW(run.File(L"list.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hLock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(run.RunToEnd(L"/i /q /l list.txt", c_msStart), 0u);
    CloseHandle(hLock);
    EXPECT_EQ(run.Journal(), (Lines{ c_szRegister, c_szUnregister }));
}

TEST(Faults, ListThatIsAFolderInstallsNothing)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(CreateDirectoryW(run.File(L"inflist.txt").c_str(), nullptr));
    EXPECT_EQ(run.RunToEnd(L"/u /q", c_msStart), 0u);
    EXPECT_EQ(run.Journal(), (Lines{ c_szRegister, c_szUnregister }));
}

TEST(Faults, ListPathOf32000CharactersInstallsNothing)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    EXPECT_EQ(run.RunToEnd(L"/p /q /l " + std::wstring(32000, L'l'), c_msStart), 0u);
    EXPECT_EQ(run.Journal(), (Lines{ c_szRegister, c_szUnregister }));
}

TEST(Faults, DifxFailingEveryCallStillGoesThroughTheWholeList)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(run.Write(L"inflist.txt", ";inflist\nfail1.inf\nFAIL2.inf\nx-fail-0xE0000303.inf\n"));
    EXPECT_EQ(run.RunToEnd(L"/i /q", c_msStart), 0u);
    Lines journal = run.Journal();
    ASSERT_EQ(journal.size(), 5u);
    EXPECT_EQ(journal[3], "DriverPackageInstallW flags=0x3 info=null reboot=set path=x-fail-0xE0000303.inf");
    EXPECT_EQ(journal[4], c_szUnregister);
}

TEST(Faults, FailingDifxBehindTheDialogStillEndsWithDone)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(run.Hold(false, true));
    ASSERT_TRUE(run.Start(L"/u /s fail.inf"));
    HWND hDlg = run.WaitForWindow(c_szProgressCaption, c_msStart);
    ASSERT_NE(hDlg, nullptr);
    // The unregister line comes after the closing notification.
    ASSERT_TRUE(WaitUntil([&] { return run.Journal().size() >= 3; }, c_msStart));
    EXPECT_EQ(ItemText(hDlg, 1003), std::wstring(c_szRemoving) + c_szDone);
    run.Release();
    DWORD dwExit = 1;
    ASSERT_TRUE(run.Wait(c_msStart, &dwExit));
    EXPECT_EQ(dwExit, 0u);
}

TEST(Faults, HundredThousandGarbageEntriesRunToTheEnd)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    // Random bytes without line feeds and Ctrl-Z, so that every line is one
    // entry: NULs, CRs and high bytes included.
    std::string strList = ";inflist\n";
    unsigned uSeed = 12345;
    const int cEntries = 100000;
    for (int i = 0; i < cEntries; ++i) {
        int cb = static_cast<int>((uSeed = uSeed * 1103515245 + 12345) >> 16) % 40;
        for (int b = 0; b < cb; ++b) {
            char ch = static_cast<char>((uSeed = uSeed * 1103515245 + 12345) >> 16);
            if (ch == '\n' || ch == '\x1a')
                ch = '#';
            strList.push_back(ch);
        }
        strList.push_back('\n');
    }
    ASSERT_TRUE(run.Write(L"inflist.txt", strList));
    run.SetJournal(false);
    ASSERT_TRUE(run.Start(L"/i /q"));
    DWORD dwExit = 1;
    ASSERT_TRUE(run.Wait(240000, &dwExit));
    EXPECT_EQ(dwExit, 0u);
    // One package call per entry: every entry reached DIFx.
    EXPECT_EQ(run.CallCount(), cEntries);
}

} // namespace
