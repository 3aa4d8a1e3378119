#include <windows.h>
#include <commctrl.h>

#include "AppInstance.h"
#include "ProgressDialog.h"
#include "UsageDialog.h"
#include "cmdline/CommandLineInfo.h"
#include "cmdline/CommandLineTokenizer.h"
#include "packages/DiffxApiCallback.h"
#include "packages/DriverOperation.h"
#include "res/resource.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPWSTR pszCmdLine, int /*nShowCmd*/)
{
    g_hInstance = hInstance;
    ParseCommandLine(pszCmdLine);

    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&icc);

    if (g_commandLineInfo.m_nOperation == opNone || g_commandLineInfo.m_nOperation == opUsage) {
        DialogBoxParamW(g_hInstance, MAKEINTRESOURCEW(IDD_USAGE), nullptr, UsageDlgProc, 0);
    } else if (g_commandLineInfo.m_bQuiet) {
        CDiffxApiCallback callback;
        RunDriverOperation(&callback, g_commandLineInfo);
    } else {
        DialogBoxParamW(g_hInstance, MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, ProgressDlgProc, 0);
    }
    // Success or failure of the operation never shows in the exit code.
    return 0;
}
