// What keeps a run whole against the world around it, end to end: a log that
// log tools rename meanwhile, /o NUL, a shutdown asked for during a quiet
// run, and two runs of the same packages at once. No test defines a device.
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
    run.SetPackageDelay(700);
    run.SetThreadJournal(true);
    ASSERT_TRUE(run.Start(L"/i /q /l list.txt /o run.log"));
    ASSERT_TRUE(WaitUntil([&] { return run.CallThreads().size() == 1; }, c_msStart)) << "no package call began";

    // cmd's ren opens the file for deletion, which the run's handle must share.
    EXPECT_EQ(_wsystem((L"ren \"" + run.File(L"run.log") + L"\" renamed.log").c_str()), 0);
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
    run.SetPackageDelay(1200);
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

    DWORD dwExit = 1;
    ASSERT_TRUE(run.Wait(c_msStart, &dwExit));
    EXPECT_EQ(dwExit, 0u);
    EXPECT_EQ(run.CallCount(), 1);
    EXPECT_FALSE(IsWindow(hGuard));
}

// Packages of this test's own names; whatever copy of them an earlier run
// staged, under any name, goes first.
std::vector<std::string> LockPackages(const CProgramRun& first, const CProgramRun& second)
{
    std::vector<std::string> packages;
    std::string strList = ";inflist\r\n";
    for (int i = 0; i < 12; ++i) {
        const std::wstring strName = L"tvlock-" + std::to_wstring(i);
        ForgetStagedPackage(strName);
        packages.push_back(PackageInfText(strName, L"USB\\VID_F055&PID_0E30"));
        for (const CProgramRun* pRun : { &first, &second })
            EXPECT_TRUE(WritePackage(pRun->Folder(), strName, L"USB\\VID_F055&PID_0E30"));
        strList += Narrow(strName) + ".inf\r\n";
    }
    for (const auto& file : InfFolderFiles()) {
        if (std::find(packages.begin(), packages.end(), file.second) != packages.end())
            DeleteFileW((InfFolder() + L"\\" + file.first).c_str());
    }
    EXPECT_TRUE(first.Write(L"list.txt", strList) && second.Write(L"list.txt", strList));
    return packages;
}

TEST(Hardening, TwoListRunsAtOnceStageEveryPackageOnce)
{
    CProgramRun first(CProgramRun::EDifx::None);
    CProgramRun second(CProgramRun::EDifx::None);
    ASSERT_TRUE(first.IsReady() && second.IsReady());
    const std::vector<std::string> packages = LockPackages(first, second);

    // The test holds the lock until both runs wait for it, so they meet.
    const HANDLE hLock = CreateMutexW(nullptr, FALSE, L"Global\\TavelinDriverPackageCall");
    ASSERT_EQ(WaitForSingleObject(hLock, c_msStart), WAIT_OBJECT_0);
    ASSERT_TRUE(first.Start(L"/p /q /l list.txt /e /o run.log") && second.Start(L"/p /q /l list.txt /e /o run.log"));
    auto waits = [](const CProgramRun* pRun) {
        const std::string strLog = ReadFileBytes(pRun->File(L"run.log"));
        const size_t nAt = strLog.find(c_szWaitingLine);
        return nAt == std::string::npos ? 0 : strLog.find(c_szWaitingLine, nAt + 1) == std::string::npos ? 1 : 2;
    };
    EXPECT_TRUE(WaitUntil([&] { return waits(&first) == 1 && waits(&second) == 1; }, c_msStart));
    ReleaseMutex(hLock);
    CloseHandle(hLock);
    for (CProgramRun* pRun : { &first, &second }) {
        DWORD dwExit = 1;
        ASSERT_TRUE(pRun->Wait(c_msStart, &dwExit));
        EXPECT_EQ(dwExit, 0u);
        // Said once, however often the run waited.
        EXPECT_EQ(waits(pRun), 1);
    }
    for (size_t i = 0; i < packages.size(); ++i)
        EXPECT_EQ(CountCopiesInInfFolder(packages[i]), 1) << "tvlock-" << i;
}

} // namespace
