#include "packages/native/PendingInstalls.h"

#include "packages/native/NativeLog.h"
#include "packages/native/NativeSetupApi.h"
#include "platform/LastError.h"

namespace {

const DWORD c_msPendingInstalls = 60 * 1000;

// Only the thread that runs the operation makes package calls.
bool g_bWaited = false;

} // namespace

void WaitForPendingInstallsOnce()
{
    if (g_bWaited)
        return;
    g_bWaited = true;
    const auto pfnWait = NativeSetupApi().pfnCMP_WaitNoPendingInstallEvents;
    if (!pfnWait)
        return;
    const DWORD dwWait = pfnWait(c_msPendingInstalls);
    if (dwWait == WAIT_TIMEOUT)
        NativeLogEvent(DIFXAPI_WARNING, WAIT_TIMEOUT,
                       L"Windows still has device installations pending after %lu seconds; going on",
                       c_msPendingInstalls / 1000);
    else if (dwWait == WAIT_FAILED)
        NativeLogEvent(DIFXAPI_WARNING, LastErrorOrFailure(),
                       L"Cannot wait for the device installations Windows has pending; going on");
}
