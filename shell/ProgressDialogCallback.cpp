#include "ProgressDialogCallback.h"

#include <commctrl.h>

#include "AppInstance.h"
#include "ProgressDialog.h"
#include "StatusText.h"
#include "VerifyResults.h"
#include "cmdline/CommandLineInfo.h"
#include "res/resource.h"

namespace {

const size_t c_cchStatus = 1024;
const int c_cchBeginOperation = 1000;
const int c_cchEndOperation = 900;
const int c_cchDone = 100;
const INT c_nShortRangeMax = 0xFFFF;

// Preinstall shows the install texts.
UINT OperationTextId(INT nOperation)
{
    switch (nOperation) {
    case opUninstall: return IDS_REMOVING;
    case opVerify: return IDS_VERIFYING;
    case opClean: return IDS_CLEANING;
    default: return IDS_INSTALLING;
    }
}

} // namespace

void CProgressDialogCallback::SetTotal(INT nCount)
{
    // PBM_SETRANGE carries the upper bound in 16 bits; a larger count would
    // wrap and fill the bar long before the end.
    if (nCount <= c_nShortRangeMax)
        SendDlgItemMessageW(m_hWnd, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, nCount));
    else
        SendDlgItemMessageW(m_hWnd, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, static_cast<LPARAM>(nCount));
}

void CProgressDialogCallback::StepDone()
{
    ++m_nPosition;
    SendDlgItemMessageW(m_hWnd, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(m_nPosition), 0);
}

void CProgressDialogCallback::BeginPackage(INT nOperation, LPCWSTR pszInfPath)
{
    WCHAR szOperation[c_cchBeginOperation] = {};
    LoadStringW(g_hInstance, OperationTextId(nOperation), szOperation, c_cchBeginOperation);
    WCHAR szStatus[c_cchStatus] = {};
    FormatPackageStatus(szStatus, c_cchStatus, szOperation, pszInfPath);
    SetDlgItemTextW(m_hWnd, IDC_STATUS_TEXT, szStatus);
}

void CProgressDialogCallback::OnLogEvent(INT nEventType, DWORD dwError, LPCWSTR pszEventText)
{
    if (g_commandLineInfo.m_nOperation == opVerify)
        g_verifyResults.AddEvent(nEventType, dwError, pszEventText);
}

void CProgressDialogCallback::PackageDone(INT nOperation, LPCWSTR pszInfPath, DWORD dwResult)
{
    if (nOperation == opVerify)
        g_verifyResults.AddPackage(pszInfPath, dwResult);
}

void CProgressDialogCallback::EndOperation(INT nOperation, bool bDone)
{
    WCHAR szStatus[c_cchStatus] = {};
    int cch = LoadStringW(g_hInstance, OperationTextId(nOperation), szStatus, c_cchEndOperation);
    if (cch < 0)
        cch = 0;
    // At most 899 + 99 characters and a terminator: always inside the buffer.
    if (bDone)
        LoadStringW(g_hInstance, IDS_DONE, szStatus + cch, c_cchDone);
    SetDlgItemTextW(m_hWnd, IDC_STATUS_TEXT, szStatus);
}

void CProgressDialogCallback::WaitForOtherRun(bool bWaiting)
{
    if (!bWaiting) {
        SetDlgItemTextW(m_hWnd, IDC_STATUS_TEXT, m_szStatusBeforeWait);
        return;
    }
    GetDlgItemTextW(m_hWnd, IDC_STATUS_TEXT, m_szStatusBeforeWait, ARRAYSIZE(m_szStatusBeforeWait));
    WCHAR szStatus[c_cchStatus] = {};
    LoadStringW(g_hInstance, IDS_WAITING_OTHER_RUN, szStatus, static_cast<int>(c_cchStatus));
    SetDlgItemTextW(m_hWnd, IDC_STATUS_TEXT, szStatus);
}

void CProgressDialogCallback::FirstPackageCall()
{
    SendMessageW(m_hWnd, WM_APP_WORKER_BUSY, TRUE, 0);
}

void CProgressDialogCallback::PackageCallsPaused(bool bPaused)
{
    SendMessageW(m_hWnd, WM_APP_WORKER_BUSY, bPaused ? FALSE : TRUE, 0);
}
