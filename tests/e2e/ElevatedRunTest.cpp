// What a user of the machine could do to the elevated program, end to end:
// take the lock's name first (the run waits without refusing a shutdown, and
// goes on once the name is free), and link a folder above the log elsewhere
// (no file appears where the link points). No device is defined.
#include <gtest/gtest.h>

#include <string>

#include "E2eTexts.h"
#include "ProgramRun.h"

namespace {

const wchar_t c_szLockName[] = L"Global\\TavelinDriverPackageCall";

HWND FindGuard(const CProgramRun& run)
{
    HWND hWnd = nullptr;
    DWORD dwPid = 0;
    while ((hWnd = FindWindowExW(nullptr, hWnd, L"TavelinQuietShutdownGuard", nullptr)) != nullptr &&
           (GetWindowThreadProcessId(hWnd, &dwPid), dwPid != run.ProcessId())) {
    }
    return hWnd;
}

// What a window of the run answers to a logoff query; TRUE (as Windows takes
// it) when the run has no such window at all.
DWORD_PTR LogoffAnswer(HWND hWnd)
{
    DWORD_PTR dwAnswer = TRUE;
    if (hWnd && !SendMessageTimeoutW(hWnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &dwAnswer))
        return 0xBAD;
    return dwAnswer;
}

bool LogHas(const CProgramRun& run, const std::string& str)
{
    return ReadFileBytes(run.File(L"run.log")).find(str) != std::string::npos;
}

// Another program holds the lock's name (under Wine, where there is no
// private namespace, the global one) until it lets go.
struct CNameHolder
{
    CNameHolder() : m_hMutex(CreateMutexW(nullptr, FALSE, c_szLockName))
    {
        m_bHeld = m_hMutex && WaitForSingleObject(m_hMutex, c_msStart) == WAIT_OBJECT_0;
    }
    ~CNameHolder()
    {
        LetGo();
        CloseHandle(m_hMutex);
    }
    void LetGo()
    {
        if (m_bHeld)
            ReleaseMutex(m_hMutex);
        m_bHeld = false;
    }

    HANDLE m_hMutex;
    bool m_bHeld = false;
};

struct WAIT_CASE
{
    const char* pszName;
    const wchar_t* pszArgs;
    bool bDialog;
};

class WaitingRun : public ::testing::TestWithParam<WAIT_CASE>
{
};

// Waiting changes nothing: a shutdown or logoff then costs no half-done
// package, so the run does not stand in its way.
TEST_P(WaitingRun, DoesNotRefuseLogoffAndEndsOnceTheNameIsFree)
{
    const WAIT_CASE& c = GetParam();
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    CNameHolder holder;
    ASSERT_TRUE(holder.m_bHeld);
    ASSERT_TRUE(run.Start(c.pszArgs));
    ASSERT_TRUE(WaitUntil([&] { return LogHas(run, c_szWaitingLine); }, c_msStart)) << "the run does not wait";

    HWND hWnd = c.bDialog ? run.WaitForWindow(c_szProgressCaption, c_msStart) : FindGuard(run);
    if (c.bDialog) {
        ASSERT_NE(hWnd, nullptr);
    }
    EXPECT_EQ(LogoffAnswer(hWnd), static_cast<DWORD_PTR>(TRUE));
    EXPECT_FALSE(run.HasExited());
    EXPECT_EQ(run.CallCount(), -1) << "a call was made while another program held the name";

    holder.LetGo();
    DWORD dwExit = 1;
    ASSERT_TRUE(run.Wait(c_msStart, &dwExit));
    EXPECT_EQ(dwExit, 0u);
    EXPECT_EQ(run.CallCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Table, WaitingRun,
                         ::testing::Values(WAIT_CASE{ "Quiet", L"/p /q /s a.inf /o run.log /e", false },
                                           WAIT_CASE{ "Dialog", L"/p /s a.inf /o run.log /e", true }),
                         [](const ::testing::TestParamInfo<WAIT_CASE>& info) { return std::string(info.param.pszName); });

// The Unix path Wine keeps a Windows path at.
std::string UnixPath(const std::wstring& strPath)
{
    using PFN = char*(CDECL*)(LPCWSTR);
    const PFN pfn = reinterpret_cast<PFN>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* psz = pfn ? pfn(strPath.c_str()) : nullptr;
    const std::string str = psz ? psz : "";
    if (psz)
        HeapFree(GetProcessHeap(), 0, psz);
    return str;
}

// strLink becomes a Unix symlink to strTarget: under Wine it stands for a
// junction that a user made.
bool MakeLink(const std::wstring& strTarget, const std::wstring& strLink)
{
    const std::string strFrom = UnixPath(strTarget);
    const std::string strTo = UnixPath(strLink);
    if (strFrom.empty() || strTo.empty())
        return false;
    std::wstring strLine = L"Z:\\bin\\ln -s \"" + Widen(strFrom) + L"\" \"" + Widen(strTo) + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &strLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    // Wine's handle of a Unix process does not tell when it ends: the link
    // itself does.
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return WaitUntil([&] { return GetFileAttributesW(strLink.c_str()) != INVALID_FILE_ATTRIBUTES; }, c_msStart);
}

class LinkAboveTheLog : public ::testing::TestWithParam<bool>
{
};

// A link in a folder above /o leads to a folder the user did not name: the
// log is refused like one that cannot be opened; a file this run created
// there is gone again, one that was there stays as it was.
TEST_P(LinkAboveTheLog, LeavesNoFileWhereItPointsAndTheRunGoesOn)
{
    const bool bFileThere = GetParam();
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    CScratchDir dir;
    const std::wstring strTarget = dir.File(L"adminonly");
    const std::wstring strLink = dir.File(L"userlogs");
    ASSERT_TRUE(CreateDirectoryW(strTarget.c_str(), nullptr));
    ASSERT_TRUE(MakeLink(strTarget, strLink));
    const std::string strBefore = "an administrator's own lines\r\n";
    if (bFileThere) {
        ASSERT_TRUE(WriteFileBytes(strTarget + L"\\tavelin.log", strBefore));
    }

    EXPECT_EQ(run.RunToEnd(L"/p /q /s a.inf /e /o \"" + strLink + L"\\tavelin.log\"", c_msStart), 0u);
    EXPECT_EQ(run.CallCount(), 1);
    if (bFileThere) {
        EXPECT_EQ(ReadFileBytes(strTarget + L"\\tavelin.log"), strBefore);
    } else {
        EXPECT_FALSE(FileExists(strTarget + L"\\tavelin.log"));
    }
    // The link goes before the scratch folder, so that its removal does not
    // follow it.
    RemoveDirectoryW(strLink.c_str());
    DeleteFileW(strLink.c_str());
}

INSTANTIATE_TEST_SUITE_P(Table, LinkAboveTheLog, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "FileThereBefore" : "NoFileThere");
                         });

} // namespace
