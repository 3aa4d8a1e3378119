#include "FailAlloc.h"

#include <windows.h>

#include <cstddef>

extern "C" void* __real_malloc(size_t cb);

namespace {
// -1: no failure injected.
volatile LONG g_nAllowed = -1;
volatile LONG g_nRefused = 0;
DWORD g_dwThread = 0;
} // namespace

extern "C" void* __wrap_malloc(size_t cb)
{
    // Only the thread that armed the failure sees it; gtest and Wine's other
    // threads allocate as usual.
    if (g_nAllowed >= 0 && GetCurrentThreadId() == g_dwThread) {
        if (g_nAllowed == 0) {
            InterlockedIncrement(&g_nRefused);
            return nullptr;
        }
        InterlockedDecrement(&g_nAllowed);
    }
    return __real_malloc(cb);
}

CFailAlloc::CFailAlloc(int nSucceed)
{
    g_nRefused = 0;
    g_dwThread = GetCurrentThreadId();
    g_nAllowed = nSucceed;
}

CFailAlloc::~CFailAlloc()
{
    g_nAllowed = -1;
}

int CFailAlloc::Refused()
{
    return g_nRefused;
}
