// What keeps a run whole against the world around it, end to end: a log that
// log tools rename meanwhile, /o NUL, a shutdown asked for during a quiet
// run. No test defines a device, nor touches the INF folder (two runs of
// the same packages at once are in FailureRunTest.cpp, whose program holds
// the lock of the programs that do).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "E2eTexts.h"
#include "ProgramRun.h"
#include "support/DriverPackages.h"

namespace {

// The child's top-level window of the guard's class, visible or not.
HWND FindGuardWindow(const CProgramRun& run)
{
    HWND hWnd = nullptr;
    DWORD dwPid = 0;
    while ((hWnd = FindWindowExW(nullptr, hWnd, L"TavelinQuietShutdownGuard", nullptr)) != nullptr &&
           (GetWindowThreadProcessId(hWnd, &dwPid), dwPid != run.ProcessId())) {
    }
    return hWnd;
}

TEST(Hardening, LogRenamedDuringTheRunKeepsItsLaterLinesUnderTheNewName)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(run.Write(L"list.txt", ";inflist\r\nfirst.inf\r\nsecond.inf\r\n"));
    // The first call waits until the log is renamed.
    ASSERT_TRUE(run.Hold(true, false));
    run.SetThreadJournal(true);
    ASSERT_TRUE(run.Start(L"/i /q /l list.txt /o run.log"));
    ASSERT_TRUE(WaitUntil([&] { return run.CallThreads().size() == 1; }, c_msStart)) << "no package call began";

    // cmd's ren opens the file for deletion, which the run's handle must share.
    EXPECT_EQ(_wsystem((L"ren \"" + run.File(L"run.log") + L"\" renamed.log").c_str()), 0);
    EXPECT_FALSE(run.HasExited());
    run.Release();
    DWORD dwExit = 1;
    ASSERT_TRUE(run.Wait(c_msStart, &dwExit));
    EXPECT_EQ(dwExit, 0u);
    EXPECT_FALSE(FileExists(run.File(L"run.log")));
    const std::string strLog = ReadFileBytes(run.File(L"renamed.log"));
    EXPECT_TRUE(std::regex_search(strLog, std::regex("^\\S+ start tavelin (.|\r\n)*install \"second\\.inf\"(.|\r\n)*"
                                                     "end packages tried 2, succeeded 2, failed 0")))
        << strLog;
}

TEST(Hardening, LogOnNulAsksForNoLogAndTheRunGoesOn)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    EXPECT_EQ(run.RunToEnd(L"/p /q /s a.inf /o NUL /e", c_msStart), 0u);
    EXPECT_EQ(run.CallCount(), 1);
    EXPECT_EQ(run.Journal().at(1), "DriverPackagePreinstallW flags=0x7 path=a.inf");
}

TEST(Hardening, QuietRunRefusesShutdownFromAHiddenWindowDuringAPackageCall)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(run.Hold(true, false));
    run.SetThreadJournal(true);
    ASSERT_TRUE(run.Start(L"/u /q /s slow.inf /e"));
    ASSERT_TRUE(WaitUntil([&] { return run.CallThreads().size() == 1; }, c_msStart)) << "no package call began";

    HWND hGuard = FindGuardWindow(run);
    ASSERT_NE(hGuard, nullptr) << "no window of the guard's class";
    EXPECT_FALSE(IsWindowVisible(hGuard));
    EXPECT_EQ(GetAncestor(hGuard, GA_PARENT), GetDesktopWindow()) << "not a top-level window";
    for (LPARAM lParam : { LPARAM(0), LPARAM(ENDSESSION_LOGOFF) }) {
        DWORD_PTR dwAnswer = TRUE;
        ASSERT_TRUE(SendMessageTimeoutW(hGuard, WM_QUERYENDSESSION, 0, lParam, SMTO_ABORTIFHUNG, 5000, &dwAnswer));
        EXPECT_EQ(dwAnswer, static_cast<DWORD_PTR>(FALSE)) << "lParam " << lParam;
    }
    EXPECT_FALSE(run.HasExited());
    run.Release();

    DWORD dwExit = 1;
    ASSERT_TRUE(run.Wait(c_msStart, &dwExit));
    EXPECT_EQ(dwExit, 0u);
    EXPECT_EQ(run.CallCount(), 1);
    EXPECT_FALSE(IsWindow(hGuard));
}

} // namespace
