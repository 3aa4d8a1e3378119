// The progress dialog while its worker runs: a shutdown or logoff is refused
// and a reason is registered, both only for as long as the worker runs. The
// real dialog and procedure, with the worker's run and Wine's stubbed
// shutdown-reason calls faked (ShellFakes.h).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "ShellFakes.h"
#include "res/resource.h"
#include "shell/AppInstance.h"
#include "shell/ProgressDialog.h"

namespace {

// Handles the messages of this thread, where the dialog lives, until fn holds.
bool PumpUntil(bool (*fn)(HWND), HWND hDlg, DWORD dwMs)
{
    const DWORD dwStart = GetTickCount();
    while (!fn(hDlg)) {
        if (GetTickCount() - dwStart > dwMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    return true;
}

LRESULT QueryEndSession(HWND hDlg, LPARAM lParam)
{
    return SendMessageW(hDlg, WM_QUERYENDSESSION, 0, lParam);
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
        m_hDlg = CreateDialogParamW(g_hInstance, MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, ProgressDlgProc, 0);
        ASSERT_NE(m_hDlg, nullptr) << "CreateDialogParamW failed: " << GetLastError();
        // The closing EndDialog hides it: that is how the test sees the end.
        ShowWindow(m_hDlg, SW_SHOWNA);
        ASSERT_TRUE(PumpUntil([](HWND) { return FakeRunStarted(); }, m_hDlg, 10000));
    }
    void TearDown() override
    {
        ReleaseFakeRun();
        if (m_hDlg) {
            // The worker's closing messages need this thread to answer them.
            PumpUntil([](HWND h) { return !IsWindowVisible(h); }, m_hDlg, 10000);
            DestroyWindow(m_hDlg);
        }
    }

    HWND m_hDlg = nullptr;
};

TEST_F(EndSession, ShutdownAndLogoffAreRefusedWhileTheWorkerRuns)
{
    EXPECT_EQ(QueryEndSession(m_hDlg, 0), FALSE);
    EXPECT_EQ(QueryEndSession(m_hDlg, ENDSESSION_LOGOFF), FALSE);
    EXPECT_EQ(QueryEndSession(m_hDlg, ENDSESSION_CLOSEAPP), FALSE);
    EXPECT_TRUE(IsWindow(m_hDlg));
}

TEST_F(EndSession, ReasonIsRegisteredOnTheDialogsThreadWhileTheWorkerRuns)
{
    std::vector<SHUTDOWN_REASON_CALL> calls = ShutdownReasonCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].bCreate);
    EXPECT_EQ(calls[0].hWnd, m_hDlg);
    EXPECT_EQ(calls[0].strReason, L"Installing device drivers");
    // Windows accepts the call only from the thread that made the window.
    EXPECT_EQ(calls[0].dwThread, GetCurrentThreadId());
}

TEST_F(EndSession, AfterTheWorkerTheReasonGoesAndShutdownIsAllowed)
{
    ReleaseFakeRun();
    ASSERT_TRUE(PumpUntil([](HWND h) { return !IsWindowVisible(h); }, m_hDlg, 10000));
    std::vector<SHUTDOWN_REASON_CALL> calls = ShutdownReasonCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_FALSE(calls[1].bCreate);
    EXPECT_EQ(calls[1].hWnd, m_hDlg);
    EXPECT_EQ(calls[1].dwThread, GetCurrentThreadId());
    EXPECT_EQ(QueryEndSession(m_hDlg, 0), TRUE);
    EXPECT_EQ(QueryEndSession(m_hDlg, ENDSESSION_LOGOFF), TRUE);
}

} // namespace
