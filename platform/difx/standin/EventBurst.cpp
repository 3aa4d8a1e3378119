// Log events from threads other than the caller's, as the real DIFx may send
// them: for the tests that check that a log's lines never mix.
#include "EventBurst.h"

#include <cstdio>
#include <cwchar>

namespace {

const DWORD c_cThreadsMax = MAXIMUM_WAIT_OBJECTS;

struct BURST_THREAD
{
    DIFXAPILOGCALLBACK_W pfn;
    PVOID pvContext;
    DWORD dwThread;
    HANDLE hStart;
};

DWORD WINAPI BurstThread(LPVOID pParam)
{
    const BURST_THREAD* pBurst = static_cast<const BURST_THREAD*>(pParam);
    // The prefix (at most 32 units), the filler, " end" and its terminator.
    WCHAR szText[32 + c_cchBurstFiller + 8];
    // All threads start reporting together, so their events overlap.
    WaitForSingleObject(pBurst->hStart, INFINITE);
    for (DWORD j = 0; j < c_cBurstEvents; ++j) {
        int cch = _snwprintf(szText, 32, L"burst %lu.%lu ", pBurst->dwThread, j);
        if (cch < 0)
            cch = 0;
        wmemset(szText + cch, L'=', c_cchBurstFiller);
        wmemcpy(szText + cch + c_cchBurstFiller, L" end", 5);
        pBurst->pfn(DIFXAPI_INFO, pBurst->dwThread, szText, pBurst->pvContext);
    }
    return 0;
}

} // namespace

void ReportEventBurst(DIFXAPILOGCALLBACK_W pfn, PVOID pvContext, DWORD cThreads)
{
    if (!pfn || cThreads == 0)
        return;
    if (cThreads > c_cThreadsMax)
        cThreads = c_cThreadsMax;
    HANDLE hStart = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!hStart)
        return;
    BURST_THREAD rgBurst[c_cThreadsMax];
    HANDLE rghThreads[c_cThreadsMax];
    DWORD cStarted = 0;
    for (DWORD k = 0; k < cThreads; ++k) {
        rgBurst[cStarted] = { pfn, pvContext, k, hStart };
        HANDLE hThread = CreateThread(nullptr, 0, BurstThread, &rgBurst[cStarted], 0, nullptr);
        if (hThread)
            rghThreads[cStarted++] = hThread;
    }
    SetEvent(hStart);
    if (cStarted > 0)
        WaitForMultipleObjects(cStarted, rghThreads, TRUE, INFINITE);
    for (DWORD k = 0; k < cStarted; ++k)
        CloseHandle(rghThreads[k]);
    CloseHandle(hStart);
}
