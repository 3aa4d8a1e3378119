#include "ProgressDialog.h"

#include <commctrl.h>

#include "ProgressDialogCallback.h"
#include "RunResults.h"
#include "cmdline/CommandLineInfo.h"
#include "packages/DriverOperation.h"
#include "res/resource.h"

namespace {

// Owns a thread handle.
class CThreadHandle
{
public:
    CThreadHandle() = default;
    ~CThreadHandle() { Reset(nullptr); }
    CThreadHandle(const CThreadHandle&) = delete;
    CThreadHandle& operator=(const CThreadHandle&) = delete;

    void Reset(HANDLE h)
    {
        if (m_h)
            CloseHandle(m_h);
        m_h = h;
    }
    bool IsValid() const { return m_h != nullptr; }

private:
    HANDLE m_h = nullptr;
};

// One progress dialog and one worker exist per process.
CThreadHandle g_worker;
bool g_bWorkerRunning = false;

} // namespace

INT_PTR CALLBACK ProgressDlgProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM /*lParam*/)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        SendDlgItemMessageW(hWnd, IDC_PROGRESS_BAR, PBM_SETSTEP, 1, 0);
        g_worker.Reset(CreateThread(nullptr, 0, ProgressWorkerThread, hWnd, 0, nullptr));
        g_bWorkerRunning = g_worker.IsValid();
        return TRUE;

    case WM_APP_WORKER_FINISHED:
        g_bWorkerRunning = false;
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
        g_worker.Reset(nullptr);
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
