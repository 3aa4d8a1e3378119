#include <windows.h>
#include <commctrl.h>

#include "AppInstance.h"
#include "ProgressDialog.h"
#include "QuietShutdownGuard.h"
#include "RunResults.h"
#include "UsageDialog.h"
#include "VerifyResultsDialog.h"
#include "cmdline/CommandLineInfo.h"
#include "cmdline/CommandLineTokenizer.h"
#include "packages/DiffxApiCallback.h"
#include "packages/DriverOperation.h"
#include "platform/DllSearch.h"
#include "platform/LastError.h"
#include "platform/RedirectionTrust.h"
#include "res/resource.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPWSTR pszCmdLine, int /*nShowCmd*/)
{
    // Before anything can load a DLL by name: this program runs elevated.
    RestrictDllSearch();
    // Before any path is opened: junctions that users made lead nowhere.
    EnforceRedirectionTrust();
    g_hInstance = hInstance;
    ParseCommandLine(pszCmdLine);

    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&icc);

    // Both are opt-in: without /o no file is written, without /e the exit
    // code stays 0. A log that cannot be opened changes nothing else.
    if (!g_commandLineInfo.m_strLogFile.IsEmpty())
        g_runLog.Open(g_commandLineInfo.m_strLogFile.c_str());

    if (g_commandLineInfo.m_nOperation == opNone || g_commandLineInfo.m_nOperation == opUsage) {
        g_runLog.Start(nullptr);
        g_runLog.UsageShown(g_commandLineInfo.m_bUsageError);
        DialogBoxParamW(g_hInstance, MAKEINTRESOURCEW(IDD_USAGE), nullptr, UsageDlgProc, 0);
        if (g_commandLineInfo.m_bUsageError)
            g_runSummary.dwOperationError = ERROR_INVALID_PARAMETER;
    } else if (g_commandLineInfo.m_bQuiet) {
        // /v makes no package call, so it never keeps a shutdown from happening.
        CQuietShutdownGuard guard;
        CQuietRunCallback callback(&guard);
        RunDriverOperation(&callback, g_commandLineInfo, &g_runLog, &g_runSummary);
        guard.SetBusy(false);
    } else if (DialogBoxParamW(g_hInstance, MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, ProgressDlgProc, 0) == -1) {
        // No dialog, so no worker ran: that must not read as success.
        g_runSummary.dwOperationError = LastErrorOrFailure();
    } else if (g_commandLineInfo.m_nOperation == opVerify) {
        DialogBoxParamW(g_hInstance, MAKEINTRESOURCEW(IDD_VERIFY_RESULTS), nullptr, VerifyResultsDlgProc, 0);
    }

    const DWORD dwExitCode = SummaryExitCode(g_runSummary);
    g_runLog.End(g_runSummary, dwExitCode);
    return g_commandLineInfo.m_bExitCode ? static_cast<int>(dwExitCode) : 0;
}
