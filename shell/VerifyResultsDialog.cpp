#include "VerifyResultsDialog.h"

#include "AppInstance.h"
#include "CloseCommand.h"
#include "VerifyResults.h"
#include "res/resource.h"

namespace {

const int c_cchCaption = 128;

} // namespace

INT_PTR CALLBACK VerifyResultsDlgProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM /*lParam*/)
{
    switch (uMsg) {
    case WM_INITDIALOG: {
        WCHAR szCaption[c_cchCaption] = {};
        LoadStringW(g_hInstance, IDS_VERIFY_CAPTION, szCaption, c_cchCaption);
        SetWindowTextW(hWnd, szCaption);
        SetDlgItemTextW(hWnd, IDC_VERIFY_RESULTS_TEXT, g_verifyResults.Text());
        // The Close button has the focus, so the text shows unselected.
        SetFocus(GetDlgItem(hWnd, IDOK));
        return FALSE;
    }
    case WM_COMMAND:
        return EndOnCloseCommand(hWnd, wParam);
    default:
        return FALSE;
    }
}
