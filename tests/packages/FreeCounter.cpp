#include "FreeCounter.h"

#include <windows.h>

extern "C" void __real_free(void* p);

namespace {
bool g_bCounting = false;
DWORD g_dwThread = 0;
int g_nFrees = 0;
} // namespace

extern "C" void __wrap_free(void* p)
{
    if (p && g_bCounting && GetCurrentThreadId() == g_dwThread)
        ++g_nFrees;
    __real_free(p);
}

CFreeCounter::CFreeCounter()
{
    g_nFrees = 0;
    g_dwThread = GetCurrentThreadId();
    g_bCounting = true;
}

CFreeCounter::~CFreeCounter()
{
    g_bCounting = false;
}

int CFreeCounter::Frees()
{
    return g_nFrees;
}
