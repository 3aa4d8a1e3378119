// The progress notifications as the dialog shows them: a real IDD_PROGRESS
// dialog from the program's resources, driven through CProgressDialogCallback.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <tuple>
#include <vector>

#include "cmdline/CommandLineInfo.h"
#include "platform/difx/DifxApi.h"
#include "res/resource.h"
#include "shell/AppInstance.h"
#include "shell/ProgressDialogCallback.h"
#include "shell/VerifyResults.h"

namespace {

const wchar_t c_szInstalling[] = L"Installing Selected Device Drivers ...";
const wchar_t c_szRemoving[] = L"Removing Previously Installed Device Drivers ...";

INT_PTR CALLBACK PassiveDlgProc(HWND, UINT uMsg, WPARAM, LPARAM)
{
    return uMsg == WM_INITDIALOG;
}

class ProgressCallback : public ::testing::Test
{
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc = { sizeof(icc), 0xFF };
        InitCommonControlsEx(&icc);
        g_hInstance = GetModuleHandleW(nullptr);
        m_hWnd = CreateDialogParamW(g_hInstance, MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, PassiveDlgProc, 0);
        ASSERT_NE(m_hWnd, nullptr) << "CreateDialogParamW failed: " << GetLastError();
    }
    void TearDown() override
    {
        if (m_hWnd)
            DestroyWindow(m_hWnd);
    }

    std::wstring Status() const
    {
        WCHAR sz[2048] = {};
        GetDlgItemTextW(m_hWnd, IDC_STATUS_TEXT, sz, ARRAYSIZE(sz));
        return sz;
    }
    LRESULT Bar(UINT uMsg, WPARAM wParam = 0) const
    {
        return SendDlgItemMessageW(m_hWnd, IDC_PROGRESS_BAR, uMsg, wParam, 0);
    }

    HWND m_hWnd = nullptr;
};

TEST_F(ProgressCallback, TemplateShowsTheInstallText)
{
    EXPECT_EQ(Status(), c_szInstalling);
}

TEST_F(ProgressCallback, ListOfThreeSetsTheRangeAndStepsThrough)
{
    CProgressDialogCallback cb(m_hWnd);
    cb.SetTotal(3);
    EXPECT_EQ(Bar(PBM_GETRANGE, TRUE), 0);
    EXPECT_EQ(Bar(PBM_GETRANGE, FALSE), 3);
    for (int i = 1; i <= 3; ++i) {
        cb.StepDone();
        EXPECT_EQ(cb.m_nPosition, i);
        EXPECT_EQ(Bar(PBM_GETPOS), i);
    }
    cb.EndOperation(opInstall, true);
    EXPECT_EQ(Status(), std::wstring(c_szInstalling) + L" Done.");
}

TEST_F(ProgressCallback, TotalsAboveSixteenBitsSetTheWholeRange)
{
    for (INT nCount : { 65536, 70000, 0x7FFFFFFF }) {
        SCOPED_TRACE(nCount);
        CProgressDialogCallback cb(m_hWnd);
        cb.SetTotal(nCount);
        EXPECT_EQ(Bar(PBM_GETRANGE, TRUE), 0);
        EXPECT_EQ(Bar(PBM_GETRANGE, FALSE), nCount);
        // Half-way through the list the bar is half full.
        cb.m_nPosition = nCount / 2 - 1;
        cb.StepDone();
        EXPECT_EQ(Bar(PBM_GETPOS), nCount / 2);
    }
}

// The progress messages the bar receives, as they arrive.
using BarMessage = std::tuple<UINT, WPARAM, LPARAM>;
std::vector<BarMessage> g_barMessages;
WNDPROC g_pfnBarProc = nullptr;

LRESULT CALLBACK RecordingBarProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg >= WM_USER && uMsg < WM_USER + 0x100)
        g_barMessages.emplace_back(uMsg, wParam, lParam);
    return CallWindowProcW(g_pfnBarProc, hWnd, uMsg, wParam, lParam);
}

TEST_F(ProgressCallback, RangeMessageIsTheShortOneUpToSixteenBitsAndThe32BitOneAbove)
{
    HWND hBar = GetDlgItem(m_hWnd, IDC_PROGRESS_BAR);
    g_pfnBarProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hBar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingBarProc)));
    ASSERT_NE(g_pfnBarProc, nullptr);
    const BarMessage expected[] = {
        { PBM_SETRANGE, 0, MAKELPARAM(0, 0) },     { PBM_SETRANGE, 0, MAKELPARAM(0, 3) },
        { PBM_SETRANGE, 0, MAKELPARAM(0, 65535) }, { PBM_SETRANGE32, 0, 65536 },
        { PBM_SETRANGE32, 0, 70000 },
    };
    const INT anCounts[] = { 0, 3, 65535, 65536, 70000 };
    for (size_t i = 0; i < ARRAYSIZE(anCounts); ++i) {
        g_barMessages.clear();
        CProgressDialogCallback cb(m_hWnd);
        cb.SetTotal(anCounts[i]);
        cb.StepDone();
        EXPECT_EQ(g_barMessages, (std::vector<BarMessage>{ expected[i], BarMessage(PBM_SETPOS, 1, 0) }))
            << "count " << anCounts[i];
    }
    SetWindowLongPtrW(hBar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_pfnBarProc));
}

TEST_F(ProgressCallback, UninstallShowsTheRemovingTexts)
{
    CProgressDialogCallback cb(m_hWnd);
    cb.BeginPackage(opUninstall, L"C:\\drv\\a.inf");
    EXPECT_EQ(Status(), std::wstring(c_szRemoving) + L" C:\\drv\\a.inf");
    cb.EndOperation(opUninstall, true);
    EXPECT_EQ(Status(), std::wstring(c_szRemoving) + L" Done.");
}

TEST_F(ProgressCallback, InstallAndPreinstallShowTheInstallTexts)
{
    for (INT nOperation : { opInstall, opPreinstall, opFixConflict }) {
        CProgressDialogCallback cb(m_hWnd);
        cb.BeginPackage(nOperation, L"b.inf");
        EXPECT_EQ(Status(), std::wstring(c_szInstalling) + L" b.inf");
        cb.EndOperation(nOperation, true);
        EXPECT_EQ(Status(), std::wstring(c_szInstalling) + L" Done.");
    }
}

TEST_F(ProgressCallback, CleanShowsTheSupersededTexts)
{
    CProgressDialogCallback cb(m_hWnd);
    cb.BeginPackage(opClean, L"c.inf");
    EXPECT_EQ(Status(), L"Removing Superseded Device Drivers ... c.inf");
    cb.EndOperation(opClean, true);
    EXPECT_EQ(Status(), L"Removing Superseded Device Drivers ... Done.");
}

// /v: its status texts, and each package's problems and notes gathered
// under its heading for the results dialog.
TEST_F(ProgressCallback, VerifyShowsItsTextsAndGathersTheResults)
{
    CProgressDialogCallback cb(m_hWnd);
    cb.BeginPackage(opVerify, L"a.inf");
    EXPECT_EQ(Status(), L"Verifying Selected Device Drivers ... a.inf");
    g_commandLineInfo.m_nOperation = opVerify;
    cb.OnLogEvent(DIFXAPI_INFO, 0, L"no device");
    cb.PackageDone(opVerify, L"a.inf", 0);
    cb.OnLogEvent(DIFXAPI_ERROR, 2, L"pkg.sys is missing");
    cb.OnLogEvent(DIFXAPI_INFO, 0, L"no device");
    cb.PackageDone(opVerify, L"b.inf", 2);
    g_commandLineInfo.m_nOperation = opNone;
    EXPECT_STREQ(g_verifyResults.Text(), L"Driver packages checked: 2, passed: 1, failed: 1. Nothing was installed or "
                                         L"changed.\r\n\r\na.inf: passed\r\n    note: no device\r\n\r\nb.inf: "
                                         L"failed (0x00000002)\r\n    problem 0x00000002: pkg.sys is missing\r\n    "
                                         L"note: no device\r\n\r\n");
    cb.EndOperation(opVerify, true);
    EXPECT_EQ(Status(), L"Verifying Selected Device Drivers ... Done.");
}

TEST_F(ProgressCallback, EndWithoutDoneShowsTheOperationTextAlone)
{
    CProgressDialogCallback cb(m_hWnd);
    cb.EndOperation(opUninstall, false);
    EXPECT_EQ(Status(), c_szRemoving);
}

TEST_F(ProgressCallback, VeryLongPathIsShortenedToTheBuffer)
{
    CProgressDialogCallback cb(m_hWnd);
    std::wstring strPath = L"C:\\" + std::wstring(32000, L'x') + L"\\last.inf";
    cb.BeginPackage(opInstall, strPath.c_str());
    std::wstring str = Status();
    EXPECT_EQ(str.size(), 1023u);
    EXPECT_EQ(str.substr(0, wcslen(c_szInstalling) + 1), std::wstring(c_szInstalling) + L" ");
    EXPECT_EQ(str.substr(str.size() - 9), L"\\last.inf");
}

TEST_F(ProgressCallback, ReportsFromAnotherThreadReachTheDialog)
{
    // The worker's calls are sent messages: they need this thread to pump.
    struct Work
    {
        HWND hWnd;
        static DWORD WINAPI Run(LPVOID p)
        {
            CProgressDialogCallback cb(static_cast<Work*>(p)->hWnd);
            cb.SetTotal(2);
            cb.StepDone();
            cb.StepDone();
            cb.EndOperation(opInstall, true);
            return 0;
        }
    } work = { m_hWnd };
    HANDLE hThread = CreateThread(nullptr, 0, Work::Run, &work, 0, nullptr);
    ASSERT_NE(hThread, nullptr);
    while (MsgWaitForMultipleObjects(1, &hThread, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    CloseHandle(hThread);
    EXPECT_EQ(Bar(PBM_GETPOS), 2);
    EXPECT_EQ(Status(), std::wstring(c_szInstalling) + L" Done.");
}

TEST_F(ProgressCallback, AWaitForAnotherRunShowsThenGivesTheStatusBack)
{
    CProgressDialogCallback callback(m_hWnd);
    callback.BeginPackage(opUninstall, L"a.inf");
    callback.WaitForOtherRun(true);
    EXPECT_EQ(Status(), L"Waiting for another tavelin run to finish ...");
    callback.WaitForOtherRun(false);
    EXPECT_EQ(Status(), std::wstring(c_szRemoving) + L" a.inf");
}

} // namespace
