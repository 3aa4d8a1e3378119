#include "CallCount.h"

#include <windows.h>

#include <cstdio>

#include "StandInKnobs.h"

namespace {

volatile LONG g_cPackageCalls = 0;

} // namespace

void CountPackageCall()
{
    InterlockedIncrement(&g_cPackageCalls);
}

// One line per process instead of one per call: a run of many thousand
// entries stays as fast as without a journal.
extern "C" BOOL WINAPI DllMain(HINSTANCE /*hInstance*/, DWORD dwReason, LPVOID /*pvReserved*/)
{
    if (dwReason == DLL_PROCESS_DETACH) {
        char szCount[16];
        snprintf(szCount, sizeof(szCount), "%ld", g_cPackageCalls);
        AppendLineToFileIn(L"DIFXSTUB_CALL_COUNT", szCount, nullptr);
    }
    return TRUE;
}
