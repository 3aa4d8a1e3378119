#pragma once

#include <windows.h>

// Sent by the worker just before its closing IDOK: from then on the user may
// close the dialog too.
#define WM_APP_WORKER_FINISHED (WM_APP + 1)
// Sent by the worker when its package calls begin or go on (wParam TRUE) and
// while it only waits for another run (FALSE): shutdown is refused only
// while it is busy.
#define WM_APP_WORKER_BUSY (WM_APP + 2)

INT_PTR CALLBACK ProgressDlgProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
DWORD WINAPI ProgressWorkerThread(LPVOID pParam);
