#pragma once

#include <windows.h>

// What one operation came to, kept beside the last code that the runs
// return: the exit code that /e asks for and the log's last line come from it.
struct RUN_SUMMARY
{
    DWORD cTried;
    DWORD cSucceeded;
    DWORD cFailed;
    // The code of the first package call that failed; 0 while none did.
    DWORD dwFirstFailure;
    // Some package call asked for a restart.
    bool bNeedReboot;
    // Why the operation as a whole failed: the list could not be loaded, the
    // repair failed, the command line was wrong. 0 when it did not.
    DWORD dwOperationError;
    // /v: the packages were checked, and nothing was installed.
    bool bVerifyOnly;
    // /c: the superseded versions of the packages were removed; how many
    // staged versions it removed and how many it kept.
    bool bClean;
    DWORD cVersionsRemoved;
    DWORD cVersionsKept;
};

// An install that left the package staged and no device worse off: no
// present device matches (ERROR_NO_SUCH_DEVINST), or every one keeps a
// better driver (ERROR_NO_MORE_ITEMS). Both count as success.
bool IsStagedInstall(INT nOperation, DWORD dwResult);

// Counts one call of operation nOperation with DIFx's result and the
// need-reboot flag as it reads after the call. ERROR_SUCCESS_REBOOT_REQUIRED
// counts as a success that needs a restart.
void CountPackageCall(RUN_SUMMARY* pSummary, INT nOperation, DWORD dwResult, BOOL bNeedReboot);

// The exit code for /e: the operation's own failure, else the first failed
// call's code, else ERROR_SUCCESS_REBOOT_REQUIRED when a call asked for a
// restart, else 0.
DWORD SummaryExitCode(const RUN_SUMMARY& summary);
