#pragma once

#include <windows.h>

INT_PTR CALLBACK UsageDlgProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
