#include "packages/RunSummary.h"

#include <setupapi.h>

#include "cmdline/CommandLineInfo.h"

bool IsStagedInstall(INT nOperation, DWORD dwResult)
{
    return nOperation == opInstall && (dwResult == ERROR_NO_SUCH_DEVINST || dwResult == ERROR_NO_MORE_ITEMS);
}

void CountPackageCall(RUN_SUMMARY* pSummary, INT nOperation, DWORD dwResult, BOOL bNeedReboot)
{
    ++pSummary->cTried;
    // A provider may put a needed restart into the code as well: that call
    // succeeded.
    if (dwResult == ERROR_SUCCESS_REBOOT_REQUIRED)
        bNeedReboot = TRUE;
    if (dwResult == ERROR_SUCCESS || dwResult == ERROR_SUCCESS_REBOOT_REQUIRED ||
        IsStagedInstall(nOperation, dwResult)) {
        ++pSummary->cSucceeded;
    } else {
        if (pSummary->cFailed == 0)
            pSummary->dwFirstFailure = dwResult;
        ++pSummary->cFailed;
    }
    if (bNeedReboot)
        pSummary->bNeedReboot = true;
}

DWORD SummaryExitCode(const RUN_SUMMARY& summary)
{
    if (summary.dwOperationError != ERROR_SUCCESS)
        return summary.dwOperationError;
    if (summary.cFailed > 0)
        return summary.dwFirstFailure;
    return summary.bNeedReboot ? ERROR_SUCCESS_REBOOT_REQUIRED : ERROR_SUCCESS;
}
