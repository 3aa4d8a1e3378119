#include "UsageDialog.h"

#include "AppInstance.h"
#include "CloseCommand.h"
#include "res/resource.h"

INT_PTR CALLBACK UsageDlgProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM /*lParam*/)
{
    switch (uMsg) {
    case WM_INITDIALOG: {
        WCHAR szUsage[4096] = {};
        LoadStringW(g_hInstance, IDS_USAGE, szUsage, ARRAYSIZE(szUsage));
        SetDlgItemTextW(hWnd, IDC_USAGE_TEXT, szUsage);
        return TRUE;
    }
    case WM_COMMAND:
        return EndOnCloseCommand(hWnd, wParam);
    default:
        return FALSE;
    }
}
