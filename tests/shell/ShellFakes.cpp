#include "ShellFakes.h"

#include "packages/DriverOperation.h"

namespace {

HANDLE g_hRelease = nullptr;
volatile LONG g_bRunStarted = 0;
std::vector<SHUTDOWN_REASON_CALL> g_reasonCalls;

BOOL WINAPI FakeShutdownBlockReasonCreate(HWND hWnd, LPCWSTR pszReason)
{
    g_reasonCalls.push_back({ true, hWnd, pszReason ? pszReason : L"<null>", GetCurrentThreadId() });
    return TRUE;
}

BOOL WINAPI FakeShutdownBlockReasonDestroy(HWND hWnd)
{
    g_reasonCalls.push_back({ false, hWnd, std::wstring(), GetCurrentThreadId() });
    return TRUE;
}

} // namespace

// The program's calls go through these import slots; defined here, they take
// the place of user32's, whose import library is then not asked for them.
extern "C" {
void* __imp_ShutdownBlockReasonCreate = reinterpret_cast<void*>(&FakeShutdownBlockReasonCreate);
void* __imp_ShutdownBlockReasonDestroy = reinterpret_cast<void*>(&FakeShutdownBlockReasonDestroy);
}

INT RunDriverOperation(CDiffxApiCallback* /*pCallback*/, const CTavelinCommandLineInfo& /*info*/)
{
    InterlockedExchange(&g_bRunStarted, 1);
    WaitForSingleObject(g_hRelease, 30000);
    return 0;
}

void ResetShellFakes()
{
    if (!g_hRelease)
        g_hRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(g_hRelease);
    InterlockedExchange(&g_bRunStarted, 0);
    g_reasonCalls.clear();
}

void ReleaseFakeRun()
{
    SetEvent(g_hRelease);
}

bool FakeRunStarted()
{
    return g_bRunStarted != 0;
}

std::vector<SHUTDOWN_REASON_CALL> ShutdownReasonCalls()
{
    return g_reasonCalls;
}
