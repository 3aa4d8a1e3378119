#include "ProgressDialog.h"

#include <commctrl.h>

#include "AppInstance.h"
#include "ProgressDialogCallback.h"
#include "RunResults.h"
#include "ShutdownReason.h"
#include "cmdline/CommandLineInfo.h"
#include "packages/DriverOperation.h"
#include "platform/UniqueHandle.h"
#include "res/resource.h"

namespace {

// One progress dialog and one worker exist per process.
CKernelHandle g_worker;
bool g_bWorkerRunning = false;
bool g_bRefuseShutdown = false;

const int c_cchStatus = 256;

// The template's status text is the install one; a list run of /v or /c
// names no package, so it says what it does from the start.
void ShowOperationStatus(HWND hWnd)
{
    WCHAR szStatus[c_cchStatus] = {};
    const INT nOperation = g_commandLineInfo.m_nOperation;
    const UINT uText = nOperation == opVerify ? IDS_VERIFYING : nOperation == opClean ? IDS_CLEANING : 0;
    if (uText != 0 && LoadStringW(g_hInstance, uText, szStatus, c_cchStatus) > 0)
        SetDlgItemTextW(hWnd, IDC_STATUS_TEXT, szStatus);
}

// Refused with a reason while the worker is busy with package calls.
void SetRefuseShutdown(HWND hWnd, bool bRefuse)
{
    if (bRefuse && !g_bRefuseShutdown)
        RegisterShutdownReason(hWnd);
    else if (!bRefuse && g_bRefuseShutdown)
        ShutdownBlockReasonDestroy(hWnd);
    g_bRefuseShutdown = bRefuse;
}

} // namespace

INT_PTR CALLBACK ProgressDlgProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM /*lParam*/)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        SendDlgItemMessageW(hWnd, IDC_PROGRESS_BAR, PBM_SETSTEP, 1, 0);
        ShowOperationStatus(hWnd);
        // Not refused before the worker's first package call: a run that
        // only waits for another one changes nothing yet.
        g_bRefuseShutdown = false;
        g_worker.Reset(CreateThread(nullptr, 0, ProgressWorkerThread, hWnd, 0, nullptr));
        g_bWorkerRunning = g_worker.IsValid();
        return TRUE;

    case WM_APP_WORKER_BUSY:
        // /v changes nothing: a shutdown cannot cut it anywhere that matters.
        SetRefuseShutdown(hWnd, wParam != FALSE && g_bWorkerRunning && g_commandLineInfo.m_nOperation != opVerify);
        return TRUE;

    case WM_APP_WORKER_FINISHED:
        SetRefuseShutdown(hWnd, false);
        g_bWorkerRunning = false;
        return TRUE;

    case WM_QUERYENDSESSION:
        // A shutdown or logoff would end the process in the middle of a package
        // call just as a close would (see below): refused while the worker runs.
        if (!g_bRefuseShutdown)
            return FALSE;
        SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, FALSE);
        return TRUE;

    case WM_COMMAND: {
        const WORD wId = LOWORD(wParam);
        if (wId != IDOK && wId != IDCANCEL)
            return FALSE;
        // A package call cannot be stopped, and ending the process in the
        // middle of one could leave a package half installed: Enter, Escape
        // and the close box wait until the worker is done.
        if (!g_bWorkerRunning)
            EndDialog(hWnd, wId);
        return TRUE;
    }

    case WM_DESTROY:
        g_worker.Reset();
        return FALSE;

    default:
        return FALSE;
    }
}

DWORD WINAPI ProgressWorkerThread(LPVOID pParam)
{
    HWND hWnd = static_cast<HWND>(pParam);
    CProgressDialogCallback callback(hWnd);
    RunDriverOperation(&callback, g_commandLineInfo, &g_runLog, &g_runSummary);
    SendMessageW(hWnd, WM_APP_WORKER_FINISHED, 0, 0);
    SendMessageW(hWnd, WM_COMMAND, IDOK, 0);
    return 0;
}
