// The quiet road, end to end: no window at all, the run on the main thread,
// the DIFx calls with the silent flag, and exit code 0 whatever happens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "E2eTexts.h"
#include "ProgramRun.h"

namespace {

using Lines = std::vector<std::string>;

// Runs to the end, watching that no window shows meanwhile.
void RunQuiet(CProgramRun& run, const std::wstring& strArgs)
{
    ASSERT_TRUE(run.Start(strArgs));
    bool bWindow = false;
    WaitUntil([&] {
        if (!run.VisibleWindows().empty())
            bWindow = true;
        return run.HasExited();
    }, c_msStart);
    EXPECT_FALSE(bWindow) << "a quiet run showed a window";
    DWORD dwExit = 1;
    ASSERT_TRUE(run.Wait(c_msStart, &dwExit));
    EXPECT_EQ(dwExit, 0u);
}

TEST(QuietRoad, MissingDefaultListEndsWithZeroAndNoPackageCall)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    RunQuiet(run, L"/i /q");
    EXPECT_EQ(run.Journal(), (Lines{ c_szRegister, c_szUnregister }));
}

TEST(QuietRoad, ListRunInstallsEveryEntrySilentlyOnTheMainThread)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(run.Write(L"inflist.txt", ";inflist\r\ndrv\\a.inf\r\nfail.inf\r\nC:\\x y\\c.inf\r\n"));
    run.SetPackageDelay(150);
    run.SetThreadJournal(true);
    RunQuiet(run, L"/i /q");
    EXPECT_EQ(run.Journal(), (Lines{
                                 c_szRegister,
                                 "DriverPackageInstallW flags=0x3 info=null reboot=set path=drv\\a.inf",
                                 "DriverPackageInstallW flags=0x3 info=null reboot=set path=fail.inf",
                                 "DriverPackageInstallW flags=0x3 info=null reboot=set path=C:\\x y\\c.inf",
                                 c_szUnregister,
                             }));
    std::vector<DWORD> threads = run.CallThreads();
    ASSERT_EQ(threads.size(), 3u);
    for (DWORD dwThread : threads)
        EXPECT_EQ(dwThread, run.MainThreadId());
}

TEST(QuietRoad, UninstallOneInfWithTheSilentFlag)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    RunQuiet(run, L"/u /q /s \"my drv.inf\" /l unused.txt");
    EXPECT_EQ(run.Journal(), (Lines{
                                 c_szRegister,
                                 "DriverPackageUninstallW flags=0x26 info=null reboot=set path=my drv.inf",
                                 c_szUnregister,
                             }));
}

TEST(QuietRoad, PreinstallFromANamedList)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(CreateDirectoryW(run.File(L"lists").c_str(), nullptr));
    ASSERT_TRUE(run.Write(L"lists\\x.txt", ";INFLIST\na.inf\n\nb.inf"));
    RunQuiet(run, L"-P -Q -L lists\\x.txt");
    EXPECT_EQ(run.Journal(), (Lines{
                                 c_szRegister,
                                 "DriverPackagePreinstallW flags=0x7 path=a.inf",
                                 "DriverPackagePreinstallW flags=0x7 path=",
                                 "DriverPackagePreinstallW flags=0x7 path=b.inf",
                                 c_szUnregister,
                             }));
}

TEST(QuietRoad, ListWithAWrongHeaderInstallsNothing)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(run.Write(L"inflist.txt", " ;inflist\r\na.inf\r\n"));
    RunQuiet(run, L"/i /q");
    EXPECT_EQ(run.Journal(), (Lines{ c_szRegister, c_szUnregister }));
}

TEST(QuietRoad, VeryLongInfPathReachesDifxWhole)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    std::wstring strPath = L"C:\\" + std::wstring(32000, L'p') + L".inf";
    RunQuiet(run, L"/i /q /s " + strPath);
    Lines journal = run.Journal();
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal[1], "DriverPackageInstallW flags=0x3 info=null reboot=set path=" + Narrow(strPath));
}

} // namespace
