#pragma once

#include <windows.h>

// Sent by the worker just before its closing IDOK: from then on the user may
// close the dialog too.
#define WM_APP_WORKER_FINISHED (WM_APP + 1)

INT_PTR CALLBACK ProgressDlgProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
DWORD WINAPI ProgressWorkerThread(LPVOID pParam);
