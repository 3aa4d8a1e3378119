#pragma once

#include <windows.h>

// The results dialog of /v: g_verifyResults' text, read-only and scrollable,
// with a Close button; Escape closes it too.
INT_PTR CALLBACK VerifyResultsDlgProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
