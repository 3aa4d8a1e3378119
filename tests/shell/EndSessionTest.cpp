// The real progress dialog while its worker runs, and the quiet run's guard
// while the run is busy, with the fakes of ShellFakes.h: a shutdown or logoff
// is refused and a reason registered, for exactly that long.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "ShellFakes.h"
#include "cmdline/CommandLineInfo.h"
#include "res/resource.h"
#include "shell/AppInstance.h"
#include "shell/ProgressDialog.h"
#include "shell/QuietShutdownGuard.h"

namespace {

// Handles this thread's messages (the worker's sent ones among them) until
// fn holds.
template <typename Fn>
bool PumpUntil(Fn fn)
{
    for (DWORD dwStart = GetTickCount(); !fn();) {
        if (GetTickCount() - dwStart > 10000)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    return true;
}

class EndSession : public ::testing::Test
{
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS };
        InitCommonControlsEx(&icc);
        g_hInstance = GetModuleHandleW(nullptr);
        ResetShellFakes();
        if (HoldsFirstCall())
            HoldFirstPackageCall();
        m_hDlg = CreateDialogParamW(g_hInstance, MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, ProgressDlgProc, 0);
        ASSERT_NE(m_hDlg, nullptr);
        // The worker's closing EndDialog hides it: that is how its end shows.
        ShowWindow(m_hDlg, SW_SHOWNA);
        ASSERT_TRUE(PumpUntil(HoldsFirstCall() ? FakeRunWaiting : FakeRunStarted));
    }
    void TearDown() override
    {
        ReleaseFirstPackageCall();
        ReleaseFakeRun();
        if (m_hDlg) {
            PumpUntil([&] { return !IsWindowVisible(m_hDlg); });
            DestroyWindow(m_hDlg);
        }
    }

    LRESULT Query(LPARAM lParam) { return SendMessageW(m_hDlg, WM_QUERYENDSESSION, 0, lParam); }
    // The run waits (for another tavelin run) before its first package call.
    virtual bool HoldsFirstCall() const { return false; }

    HWND m_hDlg = nullptr;
};

TEST_F(EndSession, WhileTheWorkerRunsShutdownAndLogoffAreRefusedWithAReason)
{
    EXPECT_EQ(Query(0), FALSE);
    EXPECT_EQ(Query(ENDSESSION_LOGOFF), FALSE);
    ASSERT_EQ(g_shutdownReasonCalls.size(), 1u);
    EXPECT_EQ(g_shutdownReasonCalls[0].hWnd, m_hDlg);
    EXPECT_EQ(g_shutdownReasonCalls[0].strReason, L"Installing device drivers");
    // Windows takes it only from the thread that made the window.
    EXPECT_EQ(g_shutdownReasonCalls[0].dwThread, GetCurrentThreadId());
}

// /v changes nothing: its dialog has nothing to keep a shutdown from.
class EndSessionOfVerify : public EndSession
{
protected:
    void SetUp() override
    {
        g_commandLineInfo.m_nOperation = opVerify;
        EndSession::SetUp();
    }
    void TearDown() override
    {
        EndSession::TearDown();
        g_commandLineInfo.m_nOperation = opNone;
    }
};

TEST_F(EndSessionOfVerify, ShutdownIsAllowedWithoutAReason)
{
    EXPECT_EQ(Query(0), TRUE);
    EXPECT_TRUE(g_shutdownReasonCalls.empty());
}

// A worker that only waits for another run has changed nothing yet.
class EndSessionOfWaitingRun : public EndSession
{
protected:
    bool HoldsFirstCall() const override { return true; }
};

TEST_F(EndSessionOfWaitingRun, ShutdownIsAllowedUntilTheFirstPackageCall)
{
    EXPECT_EQ(Query(0), TRUE);
    EXPECT_EQ(Query(ENDSESSION_LOGOFF), TRUE);
    EXPECT_TRUE(g_shutdownReasonCalls.empty());
    ReleaseFirstPackageCall();
    ASSERT_TRUE(PumpUntil(FakeRunStarted));
    EXPECT_EQ(Query(ENDSESSION_LOGOFF), FALSE);
    ASSERT_EQ(g_shutdownReasonCalls.size(), 1u);
    EXPECT_EQ(g_shutdownReasonCalls[0].strReason, L"Installing device drivers");
}

// /c removes packages from the driver store: a shutdown must wait for it.
class EndSessionOfClean : public EndSession
{
protected:
    void SetUp() override
    {
        g_commandLineInfo.m_nOperation = opClean;
        EndSession::SetUp();
    }
    void TearDown() override
    {
        EndSession::TearDown();
        g_commandLineInfo.m_nOperation = opNone;
    }
};

TEST_F(EndSessionOfClean, ShutdownIsRefusedWithTheReason)
{
    EXPECT_EQ(Query(0), FALSE);
    ASSERT_EQ(g_shutdownReasonCalls.size(), 1u);
    EXPECT_EQ(g_shutdownReasonCalls[0].strReason, L"Installing device drivers");
}

TEST_F(EndSession, AfterTheWorkerTheReasonGoesAndShutdownIsAllowed)
{
    ReleaseFakeRun();
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(m_hDlg); }));
    ASSERT_EQ(g_shutdownReasonCalls.size(), 2u);
    EXPECT_EQ(g_shutdownReasonCalls[1].hWnd, m_hDlg);
    EXPECT_EQ(g_shutdownReasonCalls[1].strReason, L"<destroy>");
    EXPECT_EQ(g_shutdownReasonCalls[1].dwThread, GetCurrentThreadId());
    EXPECT_EQ(Query(0), TRUE);
    EXPECT_EQ(Query(ENDSESSION_LOGOFF), TRUE);
}

TEST(QuietShutdownGuard, RefusesWithAReasonOnlyWhileBusyFromItsOwnThread)
{
    g_hInstance = GetModuleHandleW(nullptr);
    ResetShellFakes();
    HWND hWnd = nullptr;
    std::vector<LRESULT> answers;
    {
        CQuietShutdownGuard guard;
        // A run with nothing to do makes no window at all.
        guard.SetBusy(false);
        EXPECT_EQ(guard.Window(), nullptr);
        for (bool bBusy : { true, false }) {
            guard.SetBusy(bBusy);
            hWnd = guard.Window();
            ASSERT_NE(hWnd, nullptr);
            answers.push_back(SendMessageW(hWnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
        }
        EXPECT_FALSE(IsWindowVisible(hWnd));
    }
    EXPECT_EQ(answers, (std::vector<LRESULT>{ FALSE, TRUE }));
    EXPECT_FALSE(IsWindow(hWnd)) << "the window outlived the guard";
    ASSERT_EQ(g_shutdownReasonCalls.size(), 2u);
    EXPECT_EQ(g_shutdownReasonCalls[0].strReason, L"Installing device drivers");
    EXPECT_EQ(g_shutdownReasonCalls[1].strReason, L"<destroy>");
    for (const SHUTDOWN_REASON_CALL& call : g_shutdownReasonCalls) {
        EXPECT_EQ(call.hWnd, hWnd);
        EXPECT_NE(call.dwThread, GetCurrentThreadId()) << "not the window's own thread";
    }
}

} // namespace
