// What keeps a run whole against the world around it, end to end: a log that
// log tools rename meanwhile, /o NUL, a shutdown asked for during a quiet
// run, and two runs of the same packages at once. No test defines a device.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "E2eTexts.h"
#include "ProgramRun.h"
#include "support/DriverPackages.h"

namespace {

const wchar_t c_szGuardClass[] = L"TavelinQuietShutdownGuard";

bool Contains(const std::string& str, const std::string& strPart)
{
    return str.find(strPart) != std::string::npos;
}

// Runs a command line of Wine's own cmd in strFolder; its exit code, or
// 0xFFFFFFFF when it did not start or end.
DWORD RunCmd(const std::wstring& strFolder, const std::wstring& strCommand)
{
    std::wstring strLine = L"cmd.exe /c " + strCommand;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &strLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, strFolder.c_str(),
                        &si, &pi))
        return 0xFFFFFFFF;
    DWORD dwExit = 0xFFFFFFFF;
    if (WaitForSingleObject(pi.hProcess, c_msStart) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &dwExit);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return dwExit;
}

struct GuardSearch
{
    DWORD dwProcessId;
    HWND hFound;
};

// The child's top-level window of the guard's class, visible or not.
HWND FindGuardWindow(const CProgramRun& run)
{
    GuardSearch search = { run.ProcessId(), nullptr };
    EnumWindows(
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            GuardSearch* pSearch = reinterpret_cast<GuardSearch*>(lParam);
            DWORD dwPid = 0;
            GetWindowThreadProcessId(hWnd, &dwPid);
            WCHAR szClass[64] = {};
            GetClassNameW(hWnd, szClass, ARRAYSIZE(szClass));
            if (dwPid == pSearch->dwProcessId && std::wstring(szClass) == c_szGuardClass)
                pSearch->hFound = hWnd;
            return pSearch->hFound == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hFound;
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
    EXPECT_EQ(RunCmd(run.Folder(), L"ren run.log renamed.log"), 0u);
    DWORD dwExit = 1;
    ASSERT_TRUE(run.Wait(c_msStart, &dwExit));
    EXPECT_EQ(dwExit, 0u);
    EXPECT_FALSE(FileExists(run.File(L"run.log")));
    const std::string strLog = ReadFileBytes(run.File(L"renamed.log"));
    EXPECT_TRUE(Contains(strLog, "start tavelin ")) << strLog;
    EXPECT_TRUE(Contains(strLog, "install \"second.inf\"")) << strLog;
    EXPECT_TRUE(Contains(strLog, "end packages tried 2, succeeded 2, failed 0")) << strLog;
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

// Packages of this test's own names: whatever copy of them an earlier run
// staged, under any name, goes first and last.
class CLockPackages
{
public:
    CLockPackages()
    {
        for (int i = 0; i < 12; ++i)
            m_names.push_back(L"tvlock-" + std::to_wstring(i));
        Forget();
    }
    ~CLockPackages() { Forget(); }

    static std::string Bytes(const std::wstring& strName) { return PackageInfText(strName, c_szHardwareId); }
    bool WriteTo(const CProgramRun& run) const
    {
        std::string strList = ";inflist\r\n";
        for (const std::wstring& strName : m_names) {
            if (!WritePackage(run.Folder(), strName, c_szHardwareId))
                return false;
            strList += Narrow(strName) + ".inf\r\n";
        }
        return run.Write(L"list.txt", strList);
    }

    std::vector<std::wstring> m_names;

private:
    static constexpr const wchar_t* c_szHardwareId = L"USB\\VID_F055&PID_0E30";

    void Forget() const
    {
        std::set<std::string> ours;
        for (const std::wstring& strName : m_names) {
            ForgetStagedPackage(strName);
            ours.insert(Bytes(strName));
        }
        for (const auto& file : InfFolderFiles()) {
            if (ours.count(file.second))
                DeleteFileW((InfFolder() + L"\\" + file.first).c_str());
        }
    }
};

TEST(Hardening, TwoListRunsAtOnceStageEveryPackageOnce)
{
    CLockPackages packages;
    CProgramRun first(CProgramRun::EDifx::None);
    CProgramRun second(CProgramRun::EDifx::None);
    ASSERT_TRUE(first.IsReady() && second.IsReady());
    ASSERT_TRUE(packages.WriteTo(first) && packages.WriteTo(second));

    ASSERT_TRUE(first.Start(L"/p /q /l list.txt /e"));
    ASSERT_TRUE(second.Start(L"/p /q /l list.txt /e"));
    DWORD dwFirst = 1;
    DWORD dwSecond = 1;
    ASSERT_TRUE(first.Wait(c_msStart, &dwFirst));
    ASSERT_TRUE(second.Wait(c_msStart, &dwSecond));
    EXPECT_EQ(dwFirst, 0u);
    EXPECT_EQ(dwSecond, 0u);
    for (const std::wstring& strName : packages.m_names)
        EXPECT_EQ(CountCopiesInInfFolder(packages.Bytes(strName)), 1) << Narrow(strName);
}

} // namespace
