#include "ShellFakes.h"

#include "packages/DiffxApiCallback.h"
#include "packages/DriverOperation.h"

std::vector<SHUTDOWN_REASON_CALL> g_shutdownReasonCalls;

namespace {

HANDLE g_hRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
// Set unless a test holds the run before its first package call.
HANDLE g_hFirstCall = CreateEventW(nullptr, TRUE, TRUE, nullptr);
volatile LONG g_bRunStarted = 0;
volatile LONG g_bRunWaiting = 0;

BOOL WINAPI FakeShutdownBlockReasonCreate(HWND hWnd, LPCWSTR pszReason)
{
    g_shutdownReasonCalls.push_back({ hWnd, pszReason, GetCurrentThreadId() });
    return TRUE;
}

BOOL WINAPI FakeShutdownBlockReasonDestroy(HWND hWnd)
{
    g_shutdownReasonCalls.push_back({ hWnd, L"<destroy>", GetCurrentThreadId() });
    return TRUE;
}

} // namespace

// The program calls through these import slots; defined here, they are not
// taken from user32's import library.
extern "C" {
void* __imp_ShutdownBlockReasonCreate = reinterpret_cast<void*>(&FakeShutdownBlockReasonCreate);
void* __imp_ShutdownBlockReasonDestroy = reinterpret_cast<void*>(&FakeShutdownBlockReasonDestroy);
}

INT RunDriverOperation(CDiffxApiCallback* pCallback, const CTavelinCommandLineInfo& /*info*/, CRunLog* /*pLog*/,
                       RUN_SUMMARY* /*pSummary*/)
{
    // Like a run that waits for another one before its first package call.
    InterlockedExchange(&g_bRunWaiting, 1);
    WaitForSingleObject(g_hFirstCall, 30000);
    pCallback->FirstPackageCall();
    InterlockedExchange(&g_bRunStarted, 1);
    WaitForSingleObject(g_hRelease, 30000);
    return 0;
}

void ResetShellFakes()
{
    ResetEvent(g_hRelease);
    SetEvent(g_hFirstCall);
    InterlockedExchange(&g_bRunStarted, 0);
    InterlockedExchange(&g_bRunWaiting, 0);
    g_shutdownReasonCalls.clear();
}

void ReleaseFakeRun()
{
    SetEvent(g_hRelease);
}

bool FakeRunStarted()
{
    return g_bRunStarted != 0;
}

void HoldFirstPackageCall()
{
    ResetEvent(g_hFirstCall);
}

void ReleaseFirstPackageCall()
{
    SetEvent(g_hFirstCall);
}

bool FakeRunWaiting()
{
    return g_bRunWaiting != 0;
}
